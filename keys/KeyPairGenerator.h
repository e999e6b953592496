#pragma once

#include "base/Error.h"
#include "base/SecureBytes.h"
#include "keys/RsaKey.h"

#include <expected>

namespace zelvora {

// Makes fresh RSA key pairs in the two DER forms the key files carry.
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

    // `bits` is the modulus size; values outside [kMinBits, kMaxBits] are
    // refused by Generate rather than silently adjusted.
    explicit KeyPairGenerator(int bits) : bits_(bits) {}

    std::expected<KeyPair, Error> Generate() const;

private:
    int bits_;
};

}  // namespace zelvora
