#include "crypto/KeyRoles.h"

#include "base/ErrorCode.h"
#include "crypto/RsaIdentity.h"
#include "crypto/RsaRecipient.h"
#include "crypto/RsaSenderKey.h"
#include "crypto/RsaSigner.h"

#include <type_traits>

namespace zelvora {
namespace {

// Only a signer and a sender key name their key by its fingerprint.
template <class Role, class Rsa>
std::expected<std::unique_ptr<Role>, Error> Make(const RsaKey& key) {
    auto share = ShareRsaKey(key, std::is_same_v<Role, Signer> || std::is_same_v<Role, SenderKey>);
    if (!share) {
        return std::unexpected(share.error());
    }
    return WithoutExceptions([&]() -> std::expected<std::unique_ptr<Role>, Error> {
        return std::make_unique<Rsa>(std::move(*share));
    });
}

}  // namespace

std::expected<std::unique_ptr<Recipient>, Error> MakeRecipient(const RsaKey& key) {
    return Make<Recipient, RsaRecipient>(key);
}

std::expected<std::unique_ptr<Identity>, Error> MakeIdentity(const RsaKey& key) {
    return Make<Identity, RsaIdentity>(key);
}

std::expected<std::unique_ptr<Signer>, Error> MakeSigner(const RsaKey& key) {
    return Make<Signer, RsaSigner>(key);
}

std::expected<std::unique_ptr<SenderKey>, Error> MakeSenderKey(const RsaKey& key) {
    return Make<SenderKey, RsaSenderKey>(key);
}

}  // namespace zelvora
