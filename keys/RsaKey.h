#pragma once

#include "base/Error.h"

#include <cstddef>
#include <cstdint>
#include <expected>
#include <memory>
#include <span>
#include <utility>

// OpenSSL's key type, named here only so the key can be held without its headers.
struct evp_pkey_st;

namespace zelvora {

// One RSA key, checked and ready for use. Only the component looks inside.
class RsaKey {
public:
    // Below 2048 bits RSA no longer holds up (NIST SP 800-57 Part 1, table 2);
    // above 16384 generation takes many minutes for no practical gain.
    static constexpr int kMinBits = 2048;
    static constexpr int kMaxBits = 16384;

    // Each refusal names the slot the blob was meant for, so the user learns
    // which of the two key files to fix.
    static std::expected<std::unique_ptr<RsaKey>, Error> FromPrivateKeyBlob(
        std::span<const std::uint8_t> blob);
    static std::expected<std::unique_ptr<RsaKey>, Error> FromPublicKeyBlob(
        std::span<const std::uint8_t> blob);

    ~RsaKey();
    RsaKey(const RsaKey&) = delete;
    RsaKey& operator=(const RsaKey&) = delete;

    evp_pkey_st* Handle() const { return key_.get(); }
    // k of RFC 8017: the length of the modulus in bytes, and so of every
    // RSA ciphertext made with this key.
    std::size_t ModulusBytes() const { return modulusBytes_; }

private:
    struct Free {
        void operator()(evp_pkey_st* key) const noexcept;
    };
    using KeyHandle = std::unique_ptr<evp_pkey_st, Free>;

    RsaKey(KeyHandle key, std::size_t modulusBytes)
        : key_(std::move(key)), modulusBytes_(modulusBytes) {}

    static std::expected<std::unique_ptr<RsaKey>, Error> FromBlob(
        std::span<const std::uint8_t> blob, bool wantPrivate);

    KeyHandle key_;
    std::size_t modulusBytes_ = 0;
};

}  // namespace zelvora
