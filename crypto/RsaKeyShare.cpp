#include "crypto/RsaKeyShare.h"

#include "base/ErrorCode.h"
#include "keys/RsaKey.h"

#include <openssl/evp.h>

namespace zelvora {

std::expected<RsaKeyShare, Error> ShareRsaKey(const RsaKey& key, bool withFingerprint) {
    auto fingerprint = withFingerprint ? KeyFingerprint(key) : Fingerprint{};
    if (!fingerprint) {
        return std::unexpected(fingerprint.error());
    }
    return WithoutExceptions([&]() -> std::expected<RsaKeyShare, Error> {
        if (EVP_PKEY_up_ref(key.Handle()) != 1) {
            return std::unexpected(MakeError(ErrorCode::Internal));
        }
        // Owned from here on: should the shared_ptr's control block fail to
        // allocate, it frees the key itself before throwing.
        std::shared_ptr<evp_pkey_st> shared(key.Handle(), EVP_PKEY_free);
        return RsaKeyShare{std::move(shared), key.ModulusBytes(), *fingerprint};
    });
}

}  // namespace zelvora
