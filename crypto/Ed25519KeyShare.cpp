#include "crypto/Ed25519KeyShare.h"

#include "base/ErrorCode.h"
#include "keys/Ed25519Key.h"

#include <openssl/evp.h>

namespace zelvora {

std::expected<Ed25519KeyShare, Error> ShareEd25519Key(const Ed25519Key& key) {
    auto fingerprint = KeyFingerprint(key);
    if (!fingerprint) {
        return std::unexpected(fingerprint.error());
    }
    return WithoutExceptions([&]() -> std::expected<Ed25519KeyShare, Error> {
        if (EVP_PKEY_up_ref(key.Handle()) != 1) {
            return std::unexpected(MakeError(ErrorCode::Internal));
        }
        // Owned from here on: should the shared_ptr's control block fail to
        // allocate, it frees the key itself before throwing.
        std::shared_ptr<evp_pkey_st> shared(key.Handle(), EVP_PKEY_free);
        return Ed25519KeyShare{std::move(shared), *fingerprint};
    });
}

}  // namespace zelvora
