#include "crypto/Ed25519SenderKey.h"

#include "crypto/Ed25519Signer.h"
#include "keys/OpenSslHandles.h"

#include <openssl/err.h>

namespace zelvora {

std::uint8_t Ed25519SenderKey::SignatureKind() const {
    return Ed25519Signer::kKind;
}

std::size_t Ed25519SenderKey::SignatureBytes() const {
    return Ed25519Signer::kSignatureBytes;
}

SenderKey::Check Ed25519SenderKey::Verify(std::span<const std::uint8_t> statement,
                                          std::span<const std::uint8_t> signature) const {
    if (signature.size() != Ed25519Signer::kSignatureBytes) {
        return Check::Bad;
    }
    MdCtxPtr context(EVP_MD_CTX_new());
    if (!context || EVP_DigestVerifyInit_ex(context.get(), nullptr, nullptr, nullptr, nullptr,
                                            key_.key.get(), nullptr) != 1) {
        ERR_clear_error();
        return Check::Broken;
    }
    // OpenSSL refuses an S of the group order or more (RFC 8032, section
    // 5.1.7), so a signature has one form only.
    const bool good = EVP_DigestVerify(context.get(), signature.data(), signature.size(),
                                       statement.data(), statement.size()) == 1;
    ERR_clear_error();
    return good ? Check::Good : Check::Bad;
}

}  // namespace zelvora
