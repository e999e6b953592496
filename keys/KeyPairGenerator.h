#pragma once

#include "base/Error.h"
#include "base/SecureBytes.h"
#include "keys/KeyKind.h"
#include "keys/RsaKey.h"

#include <expected>

namespace zelvora {

// Makes fresh key pairs, RSA or Ed25519, in the two DER forms the key files
// carry.
class KeyPairGenerator {
public:
    // The sizes every key file reader accepts.
    static constexpr int kMinBits = RsaKey::kMinBits;
    static constexpr int kMaxBits = RsaKey::kMaxBits;
    static constexpr int kDefaultBits = 3072;

    struct KeyPair {
        SecureBytes privateKey;  // DER PKCS#8 PrivateKeyInfo
        Bytes publicKey;         // DER SubjectPublicKeyInfo
    };

    // An RSA pair. `bits` is the modulus size; values outside [kMinBits,
    // kMaxBits] are refused by Generate rather than silently adjusted.
    explicit KeyPairGenerator(int bits) : bits_(bits) {}
    // A pair of `kind`; `bits` counts for RSA only, as an Ed25519 key has
    // one size (RFC 8032).
    KeyPairGenerator(KeyKind kind, int bits) : kind_(kind), bits_(bits) {}

    std::expected<KeyPair, Error> Generate() const;

private:
    KeyKind kind_ = KeyKind::Rsa;
    int bits_;
};

}  // namespace zelvora
