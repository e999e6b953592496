#include "message/InitEncryptionMethod.h"

#include "keys/KeyFile.h"
#include "texts/ErrorReport.h"

#include <QFile>

#include <optional>

namespace zelvora {
namespace {

RsaMethod::Blob AsBlob(const std::optional<SecureBytes>& key) {
    if (!key) {
        return std::nullopt;
    }
    return std::span<const std::uint8_t>(*key);
}

// A key file that cannot be read is reported at once and handed on as no
// value; whether that is acceptable is the method's call.
std::optional<SecureBytes> ReadReported(const QString& path, KeyFileKind kind,
                                        MessageBoxPort& box) {
    auto key = ReadKeyFile(QFile::encodeName(path).toStdString(), kind);
    if (!key) {
        box.Show(FormatKeyFileReport(path, key.error()));
        return std::nullopt;
    }
    return std::move(*key);
}

}  // namespace

bool InitEncryptionMethod(EncryptionEngine& engine, const WorkWindowPort& window,
                          MessageBoxPort& box) {
    // Each step that fails leaves its error pending, replacing any earlier
    // one; the pending error is looked at only at the checkpoints.
    std::optional<Error> pending;
    const auto keep = [&pending](const auto& outcome) {
        if (!outcome) {
            pending = outcome.error();
        }
    };

    std::shared_ptr<RsaMethod> method;
    if (auto created = RsaMethod::Create()) {
        method = std::move(*created);
    } else {
        pending = created.error();
    }

    if (!pending) {
        // The key bytes live only as long as this block.
        {
            const auto privateKey =
                ReadReported(window.PrivateKeyPath(), KeyFileKind::Private, box);
            keep(method->SetPrivateKeyBlob(AsBlob(privateKey)));
        }
        if (!pending) {
            const auto publicKey = ReadReported(window.PublicKeyPath(), KeyFileKind::Public, box);
            keep(method->SetPublicKeyBlob(AsBlob(publicKey)));
            if (!pending) {
                keep(engine.AttachMethod(method));
            }
        }
    }
    method.reset();

    if (pending) {
        box.Show(FormatErrorReport(QStringLiteral("Error during Encryption method initialization."),
                                   *pending));
        return false;
    }
    return true;
}

}  // namespace zelvora
