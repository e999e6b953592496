#pragma once

#include "base/Error.h"
#include "base/SecureBytes.h"

#include <expected>

namespace zelvora {

// Makes fresh RSA key pairs in the two DER forms the key files carry.
class KeyPairGenerator {
public:
    // Below 2048 bits RSA no longer holds up (NIST SP 800-57 Part 1, table 2);
    // above 16384 generation takes many minutes for no practical gain.
    static constexpr int kMinBits = 2048;
    static constexpr int kMaxBits = 16384;
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
