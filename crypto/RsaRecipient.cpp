#include "crypto/RsaRecipient.h"

#include "base/ErrorCode.h"
#include "crypto/RsaPadding.h"
#include "keys/OpenSslHandles.h"

#include <openssl/err.h>

namespace zelvora {

bool RsaRecipient::SameKey(const Recipient& other) const {
    const auto* rsa = dynamic_cast<const RsaRecipient*>(&other);
    // Compares the public numbers only, so a key read from its private
    // half matches the same key read from its public key file.
    const bool same = rsa != nullptr && EVP_PKEY_eq(key_.key.get(), rsa->key_.key.get()) == 1;
    ERR_clear_error();
    return same;
}

std::expected<Stanza, Error> RsaRecipient::Wrap(const MessageKey& messageKey) const {
    return WithoutExceptions([&]() -> std::expected<Stanza, Error> {
        Stanza stanza{Stanza::kRsa, Bytes(key_.modulusBytes)};
        PkeyCtxPtr context(EVP_PKEY_CTX_new_from_pkey(nullptr, key_.key.get(), nullptr));
        auto parameters = rsa_padding::Oaep();
        std::size_t written = stanza.body.size();
        if (!context || EVP_PKEY_encrypt_init_ex(context.get(), parameters.data()) != 1 ||
            EVP_PKEY_encrypt(context.get(), stanza.body.data(), &written, messageKey.data(),
                             messageKey.size()) != 1 ||
            written != key_.modulusBytes) {
            ERR_clear_error();
            return std::unexpected(MakeError(ErrorCode::Internal));
        }
        return stanza;
    });
}

}  // namespace zelvora
