#include "message/InitEncryptionMethod.h"

#include "keys/ErrorReport.h"
#include "keys/KeyFile.h"

#include <optional>

namespace zelvora {
namespace {

RsaMethod::Blob AsBlob(const std::optional<SecureBytes>& key) {
    if (!key) {
        return std::nullopt;
    }
    return std::span<const std::uint8_t>(*key);
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
        // A key file that cannot be read has been reported already and is
        // handed on as no value; whether that is acceptable is the method's
        // call. The key bytes live only as long as this block.
        {
            const auto privateKey = ReadKeyFile(window.PrivateKeyPath(), box, KeyFileKind::Private);
            keep(method->SetPrivateKeyBlob(AsBlob(privateKey)));
        }
        if (!pending) {
            const auto publicKey = ReadKeyFile(window.PublicKeyPath(), box, KeyFileKind::Public);
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
