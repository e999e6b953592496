#include "crypto/RsaSigner.h"

#include "base/ErrorCode.h"
#include "crypto/RsaPadding.h"
#include "keys/OpenSslHandles.h"

#include <openssl/err.h>

namespace zelvora {

Bytes RsaSigner::Preamble() const {
    Bytes preamble;
    preamble.reserve(1 + key_.fingerprint.size() + 2);
    preamble.push_back(kKind);
    preamble.insert(preamble.end(), key_.fingerprint.begin(), key_.fingerprint.end());
    preamble.push_back(static_cast<std::uint8_t>(key_.modulusBytes >> 8));
    preamble.push_back(static_cast<std::uint8_t>(key_.modulusBytes & 0xFF));
    return preamble;
}

std::expected<void, Error> RsaSigner::Sign(std::span<const std::uint8_t> statement,
                                           std::span<std::uint8_t> signature) const {
    MdCtxPtr context(EVP_MD_CTX_new());
    auto parameters = rsa_padding::Pss();
    std::size_t written = signature.size();
    if (signature.size() != key_.modulusBytes || !context ||
        EVP_DigestSignInit_ex(context.get(), nullptr, "SHA256", nullptr, nullptr, key_.key.get(),
                              parameters.data()) != 1 ||
        EVP_DigestSign(context.get(), signature.data(), &written, statement.data(),
                       statement.size()) != 1 ||
        written != key_.modulusBytes) {
        ERR_clear_error();
        return std::unexpected(MakeError(ErrorCode::Internal));
    }
    return {};
}

}  // namespace zelvora
