#include "keys/KeyPairGenerator.h"

#include "base/ErrorCode.h"
#include "keys/OpenSslHandles.h"

#include <openssl/bio.h>
#include <openssl/encoder.h>
#include <openssl/err.h>
#include <openssl/evp.h>
#include <openssl/rsa.h>
#include <openssl/x509.h>

#include <cstddef>
#include <cstdint>
#include <memory>
#include <utility>

namespace zelvora {
namespace {

using EncoderCtxPtr = std::unique_ptr<OSSL_ENCODER_CTX, OpenSslFree<&OSSL_ENCODER_CTX_free>>;
using BioPtr = std::unique_ptr<BIO, OpenSslFree<&BIO_free>>;

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

// i2d_PrivateKey would give the bare PKCS#1 RSAPrivateKey for an RSA key;
// the key file carries the algorithm-tagged PKCS#8 form (RFC 5208), which
// only an encoder asked for "PrivateKeyInfo" produces. It writes into a
// secure-memory BIO, whose buffer is wiped whenever it grows or is freed.
std::expected<SecureBytes, Error> EncodePrivateKey(const EVP_PKEY& key) {
    EncoderCtxPtr ctx(
        OSSL_ENCODER_CTX_new_for_pkey(&key, EVP_PKEY_KEYPAIR, "DER", "PrivateKeyInfo", nullptr));
    BioPtr bio(BIO_new(BIO_s_secmem()));
    if (!ctx || !bio || OSSL_ENCODER_CTX_get_num_encoders(ctx.get()) == 0 ||
        OSSL_ENCODER_to_bio(ctx.get(), bio.get()) <= 0) {
        return Fail(ErrorCode::KeyEncodingFailed);
    }
    char* data = nullptr;
    const long size = BIO_get_mem_data(bio.get(), &data);
    if (size <= 0 || data == nullptr) {
        return Fail(ErrorCode::KeyEncodingFailed);
    }
    return SecureBytes(data, data + size);
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
    if (bits_ < kMinBits || bits_ > kMaxBits) {
        return std::unexpected(MakeError(ErrorCode::KeySizeOutOfRange));
    }
    auto key = GenerateRsaKey(bits_);
    if (!key) {
        return std::unexpected(key.error());
    }
    auto privateKey = EncodePrivateKey(**key);
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
