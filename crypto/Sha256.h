#pragma once

#include "base/Error.h"

#include <array>
#include <cstdint>
#include <expected>
#include <memory>
#include <span>

// OpenSSL's digest context, named here only so it can be held without its headers.
struct evp_md_ctx_st;

namespace zelvora {

// SHA-256 (FIPS 180-4) over bytes that arrive in pieces, as a message
// streams through the sealer or the opener.
class Sha256 {
public:
    using Digest = std::array<std::uint8_t, 32>;

    static std::expected<Sha256, Error> Start();
    static std::expected<Digest, Error> Of(std::span<const std::uint8_t> bytes);

    // False when the crypto library fails; the digest is then worthless.
    bool Update(std::span<const std::uint8_t> bytes);
    std::expected<Digest, Error> Finish();

private:
    struct Free {
        void operator()(evp_md_ctx_st* context) const noexcept;
    };
    explicit Sha256(std::unique_ptr<evp_md_ctx_st, Free> context) : context_(std::move(context)) {}

    std::unique_ptr<evp_md_ctx_st, Free> context_;
};

}  // namespace zelvora
