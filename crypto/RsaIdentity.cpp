#include "crypto/RsaIdentity.h"

#include "base/ErrorCode.h"
#include "base/SecureBytes.h"
#include "crypto/RsaPadding.h"
#include "keys/OpenSslHandles.h"

#include <openssl/err.h>

#include <cstring>

namespace zelvora {

std::expected<void, Error> RsaIdentity::Unwrap(std::span<const Stanza> stanzas,
                                               MessageKey& messageKey) const {
    return WithoutExceptions([&]() -> std::expected<void, Error> {
        PkeyCtxPtr context(EVP_PKEY_CTX_new_from_pkey(nullptr, key_.key.get(), nullptr));
        auto parameters = rsa_padding::Oaep();
        if (!context || EVP_PKEY_decrypt_init_ex(context.get(), parameters.data()) != 1) {
            ERR_clear_error();
            return std::unexpected(MakeError(ErrorCode::Internal));
        }
        // Room for any well-padded result, so a wrong length is seen as such.
        SecureBytes decoded(key_.modulusBytes);
        for (const Stanza& stanza : stanzas) {
            if (stanza.type != Stanza::kRsa || stanza.body.size() != key_.modulusBytes) {
                continue;
            }
            std::size_t written = decoded.size();
            // OpenSSL's OAEP decoding takes the same time whatever part of
            // the padding is wrong; which stanza opened is no secret.
            if (EVP_PKEY_decrypt(context.get(), decoded.data(), &written, stanza.body.data(),
                                 stanza.body.size()) == 1 &&
                written == MessageKey::kBytes) {
                std::memcpy(messageKey.data(), decoded.data(), MessageKey::kBytes);
                ERR_clear_error();
                return {};
            }
        }
        ERR_clear_error();
        return std::unexpected(MakeError(ErrorCode::NotForThisKey));
    });
}

}  // namespace zelvora
