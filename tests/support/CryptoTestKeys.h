#pragma once

#include "base/SecureBytes.h"

namespace zelvora::test {

// One key in the DER forms the encryption component sees. "Info" is the
// algorithm-tagged form (PKCS#8 PrivateKeyInfo, SubjectPublicKeyInfo);
// "bare" is what the i2d functions write: PKCS#1 for RSA, SEC1 ECPrivateKey
// for an EC private key.
struct EncodedKey {
    Bytes privateInfo;
    Bytes privateBare;
    Bytes publicInfo;
    Bytes publicBare;
};

// Keys for the crypto tests, each made once per test run on first use.
class CryptoTestKeys {
public:
    // RSA pairs of 2048, 3072 or 4096 bits.
    static const EncodedKey& Rsa(int bits);
    // A second 2048-bit pair, for "encrypted for another key".
    static const EncodedKey& OtherRsa2048();
    // Below the accepted range.
    static const EncodedKey& Rsa1024();
    // A public key with an odd modulus above the accepted range; no private
    // part exists, since making a real pair that size takes minutes.
    static const EncodedKey& HugeRsaPublic();
    static const EncodedKey& EcP256();
    static const EncodedKey& Ed25519();
    // A second Ed25519 pair, for mixed and third-person cases.
    static const EncodedKey& OtherEd25519();
};

}  // namespace zelvora::test
