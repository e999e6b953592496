#pragma once

#include "base/Error.h"

#include <array>
#include <cstdint>
#include <expected>
#include <memory>
#include <span>
#include <utility>

// OpenSSL's key type, named here only so the key can be held without its headers.
struct evp_pkey_st;

namespace zelvora {

// One Ed25519 key (RFC 8032), checked and ready for use: a private key read
// from PKCS#8 (RFC 8410, section 7), or a public key from
// SubjectPublicKeyInfo (RFC 8410, section 4).
class Ed25519Key {
public:
    static constexpr std::size_t kPublicKeyBytes = 32;
    using PublicKeyBytes = std::array<std::uint8_t, kPublicKeyBytes>;

    // Refused with the same numbers as RsaKey's; a key of another kind is
    // one the slot cannot read.
    static std::expected<std::unique_ptr<Ed25519Key>, Error> FromPrivateKeyBlob(
        std::span<const std::uint8_t> blob);
    static std::expected<std::unique_ptr<Ed25519Key>, Error> FromPublicKeyBlob(
        std::span<const std::uint8_t> blob);

    ~Ed25519Key();
    Ed25519Key(const Ed25519Key&) = delete;
    Ed25519Key& operator=(const Ed25519Key&) = delete;

    evp_pkey_st* Handle() const { return key_.get(); }
    // The public key, as SubjectPublicKeyInfo carries it; for a private key
    // the half derived from it.
    const PublicKeyBytes& PublicKey() const { return publicKey_; }

private:
    struct Free {
        void operator()(evp_pkey_st* key) const noexcept;
    };
    using KeyHandle = std::unique_ptr<evp_pkey_st, Free>;

    Ed25519Key(KeyHandle key, const PublicKeyBytes& publicKey)
        : key_(std::move(key)), publicKey_(publicKey) {}

    static std::expected<std::unique_ptr<Ed25519Key>, Error> FromBlob(
        std::span<const std::uint8_t> blob, bool wantPrivate);

    KeyHandle key_;
    PublicKeyBytes publicKey_{};
};

}  // namespace zelvora
