#include "crypto/Sha256.h"

#include "base/ErrorCode.h"
#include "keys/Algorithms.h"

#include <openssl/err.h>
#include <openssl/evp.h>

namespace zelvora {
namespace {

const EVP_MD* Algorithm() {
    return algorithms::Sha256();
}

std::unexpected<Error> Fail() {
    ERR_clear_error();
    return std::unexpected(MakeError(ErrorCode::Internal));
}

}  // namespace

void Sha256::Free::operator()(evp_md_ctx_st* context) const noexcept {
    EVP_MD_CTX_free(context);
}

std::expected<Sha256, Error> Sha256::Start() {
    std::unique_ptr<evp_md_ctx_st, Free> context(EVP_MD_CTX_new());
    if (!context || Algorithm() == nullptr ||
        EVP_DigestInit_ex2(context.get(), Algorithm(), nullptr) != 1) {
        return Fail();
    }
    return Sha256(std::move(context));
}

std::expected<Sha256::Digest, Error> Sha256::Of(std::span<const std::uint8_t> bytes) {
    auto hash = Start();
    if (!hash || !hash->Update(bytes)) {
        return Fail();
    }
    return hash->Finish();
}

bool Sha256::Update(std::span<const std::uint8_t> bytes) {
    return context_ && EVP_DigestUpdate(context_.get(), bytes.data(), bytes.size()) == 1;
}

std::expected<Sha256::Digest, Error> Sha256::Finish() {
    Digest digest{};
    unsigned int written = 0;
    if (!context_ || EVP_DigestFinal_ex(context_.get(), digest.data(), &written) != 1 ||
        written != digest.size()) {
        return Fail();
    }
    return digest;
}

}  // namespace zelvora
