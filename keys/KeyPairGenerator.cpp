#include "keys/KeyPairGenerator.h"

#include "keys/OpenSslHandles.h"

#include <openssl/bio.h>
#include <openssl/encoder.h>
#include <openssl/err.h>
#include <openssl/evp.h>
#include <openssl/rsa.h>
#include <openssl/x509.h>

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <utility>

namespace zelvora {
namespace {

using EncoderCtxPtr = std::unique_ptr<OSSL_ENCODER_CTX, OpenSslFree<&OSSL_ENCODER_CTX_free>>;
using BioPtr = std::unique_ptr<BIO, OpenSslFree<&BIO_free>>;

// Turns the newest queued OpenSSL error into a report and empties the queue,
// so a later failure does not show a stale reason.
Error OpenSslError(const std::string& what) {
    const unsigned long code = ERR_peek_last_error();
    std::string reason = "unknown reason";
    if (code != 0) {
        std::array<char, 256> text{};
        ERR_error_string_n(code, text.data(), text.size());
        reason = text.data();
    }
    ERR_clear_error();
    return Error{static_cast<std::int32_t>(code), what + " (" + reason + ")."};
}

std::expected<PkeyPtr, Error> GenerateRsaKey(int bits) {
    PkeyCtxPtr ctx(EVP_PKEY_CTX_new_from_name(nullptr, "RSA", nullptr));
    if (!ctx || EVP_PKEY_keygen_init(ctx.get()) <= 0 ||
        EVP_PKEY_CTX_set_rsa_keygen_bits(ctx.get(), bits) <= 0) {
        return std::unexpected(OpenSslError("Could not set up RSA key generation"));
    }
    EVP_PKEY* raw = nullptr;
    if (EVP_PKEY_generate(ctx.get(), &raw) <= 0) {
        return std::unexpected(OpenSslError("Could not generate the RSA key pair"));
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
        return std::unexpected(OpenSslError("Could not encode the private key"));
    }
    char* data = nullptr;
    const long size = BIO_get_mem_data(bio.get(), &data);
    if (size <= 0 || data == nullptr) {
        return std::unexpected(OpenSslError("Could not encode the private key"));
    }
    return SecureBytes(data, data + size);
}

std::expected<Bytes, Error> EncodePublicKey(const EVP_PKEY& key) {
    const int size = i2d_PUBKEY(&key, nullptr);
    if (size <= 0) {
        return std::unexpected(OpenSslError("Could not encode the public key"));
    }
    Bytes der(static_cast<std::size_t>(size));
    unsigned char* out = der.data();
    if (i2d_PUBKEY(&key, &out) != size) {
        return std::unexpected(OpenSslError("Could not encode the public key"));
    }
    return der;
}

}  // namespace

std::expected<KeyPairGenerator::KeyPair, Error> KeyPairGenerator::Generate() const {
    if (bits_ < kMinBits || bits_ > kMaxBits) {
        return std::unexpected(Error{1, "The key size must be from " + std::to_string(kMinBits) +
                                            " to " + std::to_string(kMaxBits) + " bits."});
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
