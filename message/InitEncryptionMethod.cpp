#include "message/InitEncryptionMethod.h"

#include "keys/Fingerprint.h"
#include "keys/KeyFile.h"
#include "texts/ErrorReport.h"

#include <QFile>

namespace zelvora {
namespace {

RsaMethod::Blob AsBlob(const std::optional<SecureBytes>& key) {
    if (!key) {
        return std::nullopt;
    }
    return std::span<const std::uint8_t>(*key);
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
    // Each step that fails leaves its error pending, replacing any earlier
    // one; the pending error is looked at only at the checkpoints.
    std::optional<Error> pending;
    const auto keep = [&pending](const auto& outcome) {
        if (!outcome) {
            pending = outcome.error();
        }
    };
    // A named key file that cannot be read is reported once, and ends the
    // press unless going on without it is what the user would expect.
    const auto read = [&box](
                          const QString& path, KeyFileKind kind,
                          KeyRole reportRole) -> std::expected<std::optional<SecureBytes>, Error> {
        auto key = ReadKeyFile(QFile::encodeName(path).toStdString(), kind);
        if (!key) {
            box.Show(FormatKeyFileReport(path, key.error(), reportRole));
        }
        return key;
    };

    std::shared_ptr<RsaMethod> method;
    if (auto created = RsaMethod::Create()) {
        method = std::move(*created);
    } else {
        pending = created.error();
    }

    if (!pending) {
        // The key bytes live only as long as this block. Without its private
        // key a Decrypt has nothing to open, and an Encrypt would go out
        // unsigned, which its reader would take for a stranger's message.
        {
            const auto privateKey = read(window.PrivateKeyPath(), KeyFileKind::Private, role);
            if (!privateKey) {
                return std::nullopt;
            }
            keep(method->SetPrivateKeyBlob(AsBlob(*privateKey)));
        }
        if (!pending) {
            auto publicKey = read(window.PublicKeyPath(), KeyFileKind::Public, role);
            if (!publicKey && operation == Operation::Encrypt) {
                return std::nullopt;
            }
            keep(method->SetPublicKeyBlob(publicKey ? AsBlob(*publicKey) : std::nullopt));
            if (!pending) {
                keep(engine.AttachMethod(method));
            }
        }
    }
    if (pending) {
        box.Show(FormatErrorReport(QStringLiteral("Error during Encryption method initialization."),
                                   *pending, role));
        return std::nullopt;
    }
    return MethodKeys{FingerprintOf(method->PrivateKey()), FingerprintOf(method->PublicKey())};
}

}  // namespace zelvora
