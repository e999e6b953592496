#include "tests/support/CryptoTestKeys.h"

#include "keys/DerReader.h"
#include "keys/KeyPairGenerator.h"
#include "keys/OpenSslHandles.h"

#include <openssl/bn.h>
#include <openssl/core_names.h>
#include <openssl/encoder.h>
#include <openssl/evp.h>
#include <openssl/param_build.h>

#include <memory>
#include <stdexcept>
#include <string>

namespace zelvora::test {
namespace {

template <auto FreeFunction>
using Free = OpenSslFree<FreeFunction>;

[[noreturn]] void Abort(const std::string& what) {
    throw std::runtime_error("test key set-up failed: " + what);
}

// Empty when OpenSSL has no encoder for that form of the key.
Bytes Encode(const EVP_PKEY* key, int selection, const char* structure) {
    std::unique_ptr<OSSL_ENCODER_CTX, Free<&OSSL_ENCODER_CTX_free>> context(
        OSSL_ENCODER_CTX_new_for_pkey(key, selection, "DER", structure, nullptr));
    unsigned char* data = nullptr;
    std::size_t size = 0;
    if (!context || OSSL_ENCODER_CTX_get_num_encoders(context.get()) == 0 ||
        OSSL_ENCODER_to_data(context.get(), &data, &size) != 1) {
        return {};
    }
    Bytes der(data, data + size);
    OPENSSL_free(data);
    return der;
}

// The key type's own structure, as the i2d functions write it.
Bytes EncodeBare(const EVP_PKEY* key, int (*i2d)(const EVP_PKEY*, unsigned char**)) {
    unsigned char* data = nullptr;
    const int size = i2d(key, &data);
    if (size <= 0) {
        return {};
    }
    Bytes der(data, data + size);
    OPENSSL_free(data);
    return der;
}

EncodedKey EncodeAll(const EVP_PKEY* key, bool hasPrivate) {
    EncodedKey encoded;
    if (hasPrivate) {
        encoded.privateInfo = Encode(key, EVP_PKEY_KEYPAIR, "PrivateKeyInfo");
        encoded.privateBare = EncodeBare(key, i2d_PrivateKey);
    }
    encoded.publicInfo = Encode(key, EVP_PKEY_PUBLIC_KEY, "SubjectPublicKeyInfo");
    encoded.publicBare = EncodeBare(key, i2d_PublicKey);
    return encoded;
}

// The content of the one element of `tag` that makes up the whole of `der`.
DerReader::Span Inner(DerReader::Span der, std::uint8_t tag) {
    DerReader reader(der);
    const auto content = reader.Read(tag);
    if (!content || !reader.AtEnd()) {
        Abort("unexpected key encoding");
    }
    return *content;
}

// The generator's own pair; the PKCS#1 forms are the keys inside the
// algorithm-tagged ones (RFC 5208, RFC 5280).
EncodedKey MakeRsa(int bits) {
    auto pair = KeyPairGenerator(bits).Generate();
    if (!pair) {
        Abort("RSA " + std::to_string(bits));
    }
    EncodedKey encoded;
    encoded.privateInfo.assign(pair->privateKey.begin(), pair->privateKey.end());
    encoded.publicInfo = pair->publicKey;
    DerReader info(Inner(encoded.privateInfo, DerReader::kSequence));
    info.ReadSmallInteger();
    info.Read(DerReader::kSequence);
    const auto privateKey = info.Read(DerReader::kOctetString);
    DerReader spki(Inner(encoded.publicInfo, DerReader::kSequence));
    spki.Read(DerReader::kSequence);
    const auto bitString = spki.Read(DerReader::kBitString);
    if (!privateKey || !bitString || bitString->empty()) {
        Abort("unexpected key encoding");
    }
    encoded.privateBare.assign(privateKey->begin(), privateKey->end());
    encoded.publicBare.assign(bitString->begin() + 1, bitString->end());
    return encoded;
}

EncodedKey MakeOther(const char* type, const char* curve, std::size_t bits = 0) {
    PkeyPtr key(curve != nullptr ? EVP_PKEY_Q_keygen(nullptr, nullptr, type, curve)
                : bits != 0      ? EVP_PKEY_Q_keygen(nullptr, nullptr, type, bits)
                                 : EVP_PKEY_Q_keygen(nullptr, nullptr, type));
    if (!key) {
        Abort(type);
    }
    return EncodeAll(key.get(), true);
}

EncodedKey MakeHugePublic() {
    constexpr int kBits = 16384 + 64;
    std::unique_ptr<BIGNUM, Free<&BN_free>> n(BN_new());
    std::unique_ptr<BIGNUM, Free<&BN_free>> e(BN_new());
    std::unique_ptr<OSSL_PARAM_BLD, Free<&OSSL_PARAM_BLD_free>> build(OSSL_PARAM_BLD_new());
    // Top bit set for the exact length, bottom bit set for an odd modulus.
    if (!n || !e || !build || BN_rand(n.get(), kBits, BN_RAND_TOP_ONE, BN_RAND_BOTTOM_ODD) != 1 ||
        BN_set_word(e.get(), 65537) != 1 ||
        OSSL_PARAM_BLD_push_BN(build.get(), OSSL_PKEY_PARAM_RSA_N, n.get()) != 1 ||
        OSSL_PARAM_BLD_push_BN(build.get(), OSSL_PKEY_PARAM_RSA_E, e.get()) != 1) {
        Abort("huge modulus");
    }
    std::unique_ptr<OSSL_PARAM, Free<&OSSL_PARAM_free>> params(
        OSSL_PARAM_BLD_to_param(build.get()));
    std::unique_ptr<EVP_PKEY_CTX, Free<&EVP_PKEY_CTX_free>> context(
        EVP_PKEY_CTX_new_from_name(nullptr, "RSA", nullptr));
    EVP_PKEY* raw = nullptr;
    if (!params || !context || EVP_PKEY_fromdata_init(context.get()) != 1 ||
        EVP_PKEY_fromdata(context.get(), &raw, EVP_PKEY_PUBLIC_KEY, params.get()) != 1) {
        Abort("huge public key");
    }
    PkeyPtr key(raw);
    EncodedKey encoded = EncodeAll(key.get(), false);
    if (encoded.publicInfo.empty() || encoded.publicBare.empty()) {
        Abort("huge public key encoding");
    }
    return encoded;
}

}  // namespace

const EncodedKey& CryptoTestKeys::Rsa(int bits) {
    static const EncodedKey k2048 = MakeRsa(2048);
    if (bits == 2048) {
        return k2048;
    }
    if (bits == 3072) {
        static const EncodedKey k3072 = MakeRsa(3072);
        return k3072;
    }
    if (bits == 4096) {
        static const EncodedKey k4096 = MakeRsa(4096);
        return k4096;
    }
    Abort("no test key of " + std::to_string(bits) + " bits");
}

const EncodedKey& CryptoTestKeys::OtherRsa2048() {
    static const EncodedKey key = MakeRsa(2048);
    return key;
}

const EncodedKey& CryptoTestKeys::Rsa1024() {
    // Below what the generator makes, so OpenSSL makes it directly.
    static const EncodedKey key = MakeOther("RSA", nullptr, 1024);
    return key;
}

const EncodedKey& CryptoTestKeys::HugeRsaPublic() {
    static const EncodedKey key = MakeHugePublic();
    return key;
}

const EncodedKey& CryptoTestKeys::EcP256() {
    static const EncodedKey key = MakeOther("EC", "P-256");
    return key;
}

const EncodedKey& CryptoTestKeys::Ed25519() {
    static const EncodedKey key = MakeOther("ED25519", nullptr);
    return key;
}

const EncodedKey& CryptoTestKeys::OtherEd25519() {
    static const EncodedKey key = MakeOther("ED25519", nullptr);
    return key;
}

}  // namespace zelvora::test
