#include "crypto/Ed25519Signer.h"

#include "base/ErrorCode.h"
#include "keys/OpenSslHandles.h"

#include <openssl/err.h>

namespace zelvora {

Bytes Ed25519Signer::Preamble() const {
    Bytes preamble;
    preamble.reserve(1 + key_.fingerprint.size());
    preamble.push_back(kKind);
    preamble.insert(preamble.end(), key_.fingerprint.begin(), key_.fingerprint.end());
    return preamble;
}

std::expected<void, Error> Ed25519Signer::Sign(std::span<const std::uint8_t> statement,
                                               std::span<std::uint8_t> signature) const {
    MdCtxPtr context(EVP_MD_CTX_new());
    std::size_t written = signature.size();
    // Pure Ed25519 hashes the whole statement itself: no digest is named,
    // and the signature is made in one call.
    if (signature.size() != kSignatureBytes || !context ||
        EVP_DigestSignInit_ex(context.get(), nullptr, nullptr, nullptr, nullptr, key_.key.get(),
                              nullptr) != 1 ||
        EVP_DigestSign(context.get(), signature.data(), &written, statement.data(),
                       statement.size()) != 1 ||
        written != kSignatureBytes) {
        ERR_clear_error();
        return std::unexpected(MakeError(ErrorCode::Internal));
    }
    return {};
}

}  // namespace zelvora
