#include "crypto/RsaSenderKey.h"

#include "crypto/RsaPadding.h"
#include "crypto/RsaSigner.h"
#include "keys/OpenSslHandles.h"

#include <openssl/err.h>

namespace zelvora {

std::uint8_t RsaSenderKey::SignatureKind() const {
    return RsaSigner::kKind;
}

SenderKey::Check RsaSenderKey::Verify(std::span<const std::uint8_t> statement,
                                      std::span<const std::uint8_t> signature) const {
    MdCtxPtr context(EVP_MD_CTX_new());
    auto parameters = rsa_padding::Pss();
    if (!context || EVP_DigestVerifyInit_ex(context.get(), nullptr, "SHA256", nullptr, nullptr,
                                            key_.key.get(), parameters.data()) != 1) {
        ERR_clear_error();
        return Check::Broken;
    }
    const bool good = EVP_DigestVerify(context.get(), signature.data(), signature.size(),
                                       statement.data(), statement.size()) == 1;
    ERR_clear_error();
    return good ? Check::Good : Check::Bad;
}

}  // namespace zelvora
