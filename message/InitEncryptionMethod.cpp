#include "message/InitEncryptionMethod.h"

#include "base/ErrorCode.h"
#include "keys/Fingerprint.h"
#include "message/WindowPassphrase.h"
#include "texts/ErrorReport.h"
#include "workflow/KeyLoading.h"

#include <QFile>

namespace zelvora {
namespace {

RsaMethod::Blob AsBlob(const LoadedKey* key) {
    if (key == nullptr) {
        return std::nullopt;
    }
    return std::span<const std::uint8_t>(key->blob);
}

QString FingerprintOf(const AnyKey* key) {
    if (key == nullptr) {
        return QString();
    }
    const auto fingerprint = KeyFingerprint(*key);
    return fingerprint ? QString::fromStdString(FingerprintText(*fingerprint)) : QString();
}

}  // namespace

std::optional<MethodKeys> InitEncryptionMethod(EncryptionEngine& engine,
                                               const WorkWindowPort& window, MessageBoxPort& box,
                                               Operation operation) {
    const KeyRole role =
        operation == Operation::Encrypt ? KeyRole::Recipient : KeyRole::ExpectedWriter;
    constexpr char heading[] = "Error during Encryption method initialization.";
    std::shared_ptr<RsaMethod> method;
    if (auto created = RsaMethod::Create()) {
        method = std::move(*created);
    } else {
        box.Show(QString::fromStdString(FormatErrorReport(heading, created.error(), role)));
        return std::nullopt;
    }
    const QString privatePath = window.PrivateKeyPath();
    const QString publicPath = window.PublicKeyPath();
    // Own key first: without it a Decrypt has nothing to open, and an
    // Encrypt would go out unsigned, which its reader would take for a
    // stranger's message.
    const KeyRequest requests[] = {
        {QFile::encodeName(privatePath).toStdString(), KeyUse::Own},
        {QFile::encodeName(publicPath).toStdString(),
         operation == Operation::Encrypt ? KeyUse::Recipient : KeyUse::ExpectedWriter},
    };
    WindowPassphrase passphrases(window, privatePath);
    // The key bytes live only as long as `loaded`.
    const auto loaded = LoadKeys(requests, passphrases, window.UnlockedKeys());
    const auto report = [&](const KeyLoadFailure& failure) {
        const QString path = failure.use == KeyUse::Own ? privatePath : publicPath;
        box.Show(QString::fromStdString(
            failure.stage == KeyLoadStage::Reading
                ? FormatKeyFileReport(path.toStdString(), failure.error, role)
                : FormatErrorReport(heading, failure.error, role)));
    };
    if (!loaded) {
        // The user declined to give the passphrase: the press just ends,
        // with the message as it was typed.
        if (loaded.error().error != MakeError(ErrorCode::PassphraseCancelled)) {
            report(loaded.error());
        }
        return std::nullopt;
    }
    // An expected writer's key that cannot be read is reported, and the
    // message is still shown, as not verified.
    if (loaded->unread) {
        report(*loaded->unread);
    }
    auto set = method->SetPrivateKeyBlob(AsBlob(loaded->Find(KeyUse::Own)));
    if (set) {
        set = method->SetPublicKeyBlob(AsBlob(loaded->Find(requests[1].use)));
    }
    if (set) {
        set = engine.AttachMethod(method);
    }
    if (!set) {
        box.Show(QString::fromStdString(FormatErrorReport(heading, set.error(), role)));
        return std::nullopt;
    }
    return MethodKeys{FingerprintOf(method->PrivateKey()), FingerprintOf(method->PublicKey())};
}

}  // namespace zelvora
