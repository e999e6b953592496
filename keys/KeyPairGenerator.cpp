#include "keys/KeyPairGenerator.h"

#include "base/ErrorCode.h"
#include "keys/DerWriter.h"
#include "keys/OpenSslHandles.h"

#include <openssl/core_names.h>
#include <openssl/err.h>
#include <openssl/evp.h>
#include <openssl/params.h>
#include <openssl/rsa.h>
#include <openssl/x509.h>

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <utility>

namespace zelvora {
namespace {

// OpenSSL queues a reason for every failure; the queue is emptied so a
// later failure does not come with a stale one.
std::unexpected<Error> Fail(ErrorCode code) {
    ERR_clear_error();
    return std::unexpected(MakeError(code));
}

std::expected<PkeyPtr, Error> GenerateRsaKey(int bits) {
    PkeyCtxPtr ctx(EVP_PKEY_CTX_new_from_name(nullptr, "RSA", nullptr));
    if (!ctx || EVP_PKEY_keygen_init(ctx.get()) <= 0 ||
        EVP_PKEY_CTX_set_rsa_keygen_bits(ctx.get(), bits) <= 0) {
        return Fail(ErrorCode::KeyGenerationFailed);
    }
    EVP_PKEY* raw = nullptr;
    if (EVP_PKEY_generate(ctx.get(), &raw) <= 0) {
        return Fail(ErrorCode::KeyGenerationFailed);
    }
    return PkeyPtr(raw);
}

// A non-negative INTEGER from its magnitude in native (little-endian) order,
// as OpenSSL hands numbers out, with or without padding zeros.
void AppendInteger(SecureBytes& out, std::span<const std::uint8_t> littleEndian) {
    std::size_t length = littleEndian.size();
    while (length > 1 && littleEndian[length - 1] == 0) {
        --length;
    }
    const bool signByte = length == 0 || (littleEndian[length - 1] & 0x80) != 0;
    der::AppendHeader(out, 0x02, length + (signByte ? 1 : 0));
    if (signByte) {
        out.push_back(0);
    }
    for (std::size_t i = length; i > 0; --i) {
        out.push_back(littleEndian[i - 1]);
    }
}

// The key file carries the algorithm-tagged PKCS#8 PrivateKeyInfo (RFC 5208)
// around a PKCS#1 RSAPrivateKey (RFC 8017 A.1.2). OpenSSL's encoders build
// it through temporary buffers that they free unwiped, so the numbers are
// fetched into wiping memory here and the few DER elements written by hand.
std::expected<SecureBytes, Error> EncodePrivateKey(const EVP_PKEY& key) {
    constexpr std::array<const char*, 8> kFields{
        OSSL_PKEY_PARAM_RSA_N,         OSSL_PKEY_PARAM_RSA_E,
        OSSL_PKEY_PARAM_RSA_D,         OSSL_PKEY_PARAM_RSA_FACTOR1,
        OSSL_PKEY_PARAM_RSA_FACTOR2,   OSSL_PKEY_PARAM_RSA_EXPONENT1,
        OSSL_PKEY_PARAM_RSA_EXPONENT2, OSSL_PKEY_PARAM_RSA_COEFFICIENT1};
    // Each number fits in the modulus's length: a number handed out padded
    // to its buffer needs no second try.
    const std::size_t size = static_cast<std::size_t>(EVP_PKEY_get_size(&key));
    SecureBytes numbers(size * kFields.size());
    std::array<OSSL_PARAM, kFields.size() + 1> params{};
    for (std::size_t i = 0; i < kFields.size(); ++i) {
        params[i] = OSSL_PARAM_construct_BN(kFields[i], numbers.data() + i * size, size);
    }
    params[kFields.size()] = OSSL_PARAM_construct_end();
    if (size == 0 || EVP_PKEY_get_params(&key, params.data()) != 1) {
        return Fail(ErrorCode::KeyEncodingFailed);
    }

    SecureBytes rsaKey;
    rsaKey.reserve(numbers.size() + 64);
    AppendInteger(rsaKey, std::array<std::uint8_t, 1>{0});  // version two-prime
    for (std::size_t i = 0; i < kFields.size(); ++i) {
        if (!OSSL_PARAM_modified(&params[i]) || params[i].return_size > size) {
            return Fail(ErrorCode::KeyEncodingFailed);
        }
        AppendInteger(rsaKey, std::span(numbers).subspan(i * size, params[i].return_size));
    }
    // version 0, AlgorithmIdentifier { rsaEncryption, NULL }
    constexpr std::array<std::uint8_t, 18> kHead{0x02, 0x01, 0x00, 0x30, 0x0D, 0x06,
                                                 0x09, 0x2A, 0x86, 0x48, 0x86, 0xF7,
                                                 0x0D, 0x01, 0x01, 0x01, 0x05, 0x00};
    SecureBytes sequence;
    sequence.reserve(rsaKey.size() + 16);
    der::AppendElement(sequence, 0x30, rsaKey);
    SecureBytes info(kHead.begin(), kHead.end());
    info.reserve(kHead.size() + sequence.size() + 16);
    der::AppendElement(info, 0x04, sequence);
    SecureBytes encoded;
    encoded.reserve(info.size() + 16);
    der::AppendElement(encoded, 0x30, info);
    return encoded;
}

// PKCS#8 PrivateKeyInfo for Ed25519 (RFC 8410, section 7): version 0, the
// AlgorithmIdentifier { id-Ed25519 } with no parameters, and the 32-byte
// seed as CurvePrivateKey, an OCTET STRING inside the privateKey OCTET
// STRING. Written by hand into wiping memory, as for RSA: OpenSSL's encoder
// leaves copies of the seed behind unwiped.
std::expected<SecureBytes, Error> EncodeEd25519PrivateKey(const EVP_PKEY& key) {
    constexpr std::size_t kSeedBytes = 32;
    constexpr std::array<std::uint8_t, 10> kHead{0x02, 0x01, 0x00, 0x30, 0x05,
                                                 0x06, 0x03, 0x2B, 0x65, 0x70};
    SecureBytes seed(kSeedBytes);
    std::size_t length = seed.size();
    // Asked for as a parameter, written straight into `seed`:
    // EVP_PKEY_get_raw_private_key goes through a copy it frees unwiped.
    if (EVP_PKEY_get_octet_string_param(&key, OSSL_PKEY_PARAM_PRIV_KEY, seed.data(), seed.size(),
                                        &length) != 1 ||
        length != kSeedBytes) {
        return Fail(ErrorCode::KeyEncodingFailed);
    }
    SecureBytes curvePrivateKey;
    curvePrivateKey.reserve(2 + kSeedBytes);
    der::AppendElement(curvePrivateKey, 0x04, seed);
    SecureBytes info(kHead.begin(), kHead.end());
    info.reserve(kHead.size() + 2 + curvePrivateKey.size());
    der::AppendElement(info, 0x04, curvePrivateKey);
    SecureBytes encoded;
    encoded.reserve(2 + info.size());
    der::AppendElement(encoded, 0x30, info);
    return encoded;
}

std::expected<Bytes, Error> EncodePublicKey(const EVP_PKEY& key) {
    const int size = i2d_PUBKEY(&key, nullptr);
    if (size <= 0) {
        return Fail(ErrorCode::KeyEncodingFailed);
    }
    Bytes der(static_cast<std::size_t>(size));
    unsigned char* out = der.data();
    if (i2d_PUBKEY(&key, &out) != size) {
        return Fail(ErrorCode::KeyEncodingFailed);
    }
    return der;
}

}  // namespace

std::expected<KeyPairGenerator::KeyPair, Error> KeyPairGenerator::Generate() const {
    const bool rsa = kind_ == KeyKind::Rsa;
    if (rsa && (bits_ < kMinBits || bits_ > kMaxBits)) {
        return std::unexpected(MakeError(ErrorCode::KeySizeOutOfRange));
    }
    std::expected<PkeyPtr, Error> key = std::unexpected(MakeError(ErrorCode::KeyGenerationFailed));
    if (rsa) {
        key = GenerateRsaKey(bits_);
    } else if (PkeyPtr made{EVP_PKEY_Q_keygen(nullptr, nullptr, "ED25519")}) {
        key = std::move(made);
    } else {
        ERR_clear_error();
    }
    if (!key) {
        return std::unexpected(key.error());
    }
    auto privateKey = rsa ? EncodePrivateKey(**key) : EncodeEd25519PrivateKey(**key);
    if (!privateKey) {
        return std::unexpected(privateKey.error());
    }
    auto publicKey = EncodePublicKey(**key);
    if (!publicKey) {
        return std::unexpected(publicKey.error());
    }
    return KeyPair{std::move(*privateKey), std::move(*publicKey)};
}

}  // namespace zelvora
