#include "crypto/X25519Stanza.h"

#include "base/ErrorCode.h"
#include "keys/Algorithms.h"
#include "keys/OpenSslHandles.h"
#include "keys/X25519Halves.h"

#include <openssl/core_names.h>
#include <openssl/err.h>
#include <openssl/kdf.h>

#include <algorithm>
#include <memory>

namespace zelvora {
namespace {

constexpr std::size_t kKeyBytes = 32;
// RFC 3394 adds one 64-bit integrity block to the wrapped key.
constexpr std::size_t kWrappedBytes = kKeyBytes + 8;
static_assert(kX25519StanzaBytes == kKeyBytes + kWrappedBytes);
constexpr char kInfo[] = "Zelvora v3 X25519";

using KdfCtxPtr = std::unique_ptr<EVP_KDF_CTX, OpenSslFree<&EVP_KDF_CTX_free>>;
using Key = std::span<const std::uint8_t, kKeyBytes>;

std::unexpected<Error> Fail(ErrorCode error) {
    // Drop the reasons OpenSSL queued, so the queue does not grow with
    // every refused stanza.
    ERR_clear_error();
    return std::unexpected(MakeError(error));
}

EVP_KDF* Hkdf() {
    return algorithms::Hkdf();
}
const EVP_CIPHER* AesKeyWrap() {
    return algorithms::Aes256Wrap();
}

// X25519 (RFC 7748, section 6.1) of our private key with the peer's public
// key. False on any failure, the all-zero secret included: OpenSSL refuses
// that one itself, and the check here keeps the refusal from resting on it.
bool SharedSecret(EVP_PKEY* own, Key peerPublic, SecureBytes& secret) {
    const PkeyPtr peer(
        EVP_PKEY_new_raw_public_key(EVP_PKEY_X25519, nullptr, peerPublic.data(), kKeyBytes));
    const PkeyCtxPtr context(EVP_PKEY_CTX_new_from_pkey(nullptr, own, nullptr));
    std::size_t length = secret.size();
    if (!peer || !context || EVP_PKEY_derive_init(context.get()) != 1 ||
        EVP_PKEY_derive_set_peer(context.get(), peer.get()) != 1 ||
        EVP_PKEY_derive(context.get(), secret.data(), &length) != 1 || length != kKeyBytes) {
        return false;
    }
    // Without an early exit, as the secret is one.
    std::uint8_t any = 0;
    for (const std::uint8_t byte : secret) {
        any |= byte;
    }
    return any != 0;
}

// HKDF-SHA-256 (RFC 5869) with salt = ephemeral public key || recipient's
// public key: the wrapping key belongs to this exchange between these two
// keys alone.
bool WrappingKey(Key ephemeralPublic, Key recipientPublic, const SecureBytes& secret,
                 SecureBytes& key) {
    std::array<std::uint8_t, 2 * kKeyBytes> salt{};
    std::copy(ephemeralPublic.begin(), ephemeralPublic.end(), salt.begin());
    std::copy(recipientPublic.begin(), recipientPublic.end(), salt.begin() + kKeyBytes);
    static char digest[] = "SHA256";
    const OSSL_PARAM parameters[] = {
        OSSL_PARAM_construct_utf8_string(OSSL_KDF_PARAM_DIGEST, digest, 0),
        OSSL_PARAM_construct_octet_string(OSSL_KDF_PARAM_KEY,
                                          const_cast<std::uint8_t*>(secret.data()), secret.size()),
        OSSL_PARAM_construct_octet_string(OSSL_KDF_PARAM_SALT, salt.data(), salt.size()),
        OSSL_PARAM_construct_octet_string(OSSL_KDF_PARAM_INFO, const_cast<char*>(kInfo),
                                          sizeof kInfo - 1),
        OSSL_PARAM_construct_end()};
    const KdfCtxPtr context(Hkdf() != nullptr ? EVP_KDF_CTX_new(Hkdf()) : nullptr);
    return context && EVP_KDF_derive(context.get(), key.data(), key.size(), parameters) == 1;
}

// AES key wrap (RFC 3394) with its default IV, which OpenSSL uses when given
// none. Gives the number of bytes written to `out`, or -1; unwrapping fails
// when the integrity check does.
int KeyWrap(bool wrap, const SecureBytes& key, std::span<const std::uint8_t> in,
            std::uint8_t* out) {
    const CipherCtxPtr context(EVP_CIPHER_CTX_new());
    int written = 0;
    if (!context ||
        EVP_CipherInit_ex2(context.get(), AesKeyWrap(), key.data(), nullptr, wrap ? 1 : 0,
                           nullptr) != 1 ||
        EVP_CipherUpdate(context.get(), out, &written, in.data(), static_cast<int>(in.size())) !=
            1) {
        return -1;
    }
    return written;
}

std::expected<X25519StanzaBody, Error> Wrap(Key recipientPublic, Key messageKey,
                                            const PkeyPtr& ephemeral) {
    if (!ephemeral || Hkdf() == nullptr || AesKeyWrap() == nullptr) {
        return Fail(ErrorCode::Internal);
    }
    return WithoutExceptions([&]() -> std::expected<X25519StanzaBody, Error> {
        X25519StanzaBody body{};
        std::size_t length = kKeyBytes;
        if (EVP_PKEY_get_raw_public_key(ephemeral.get(), body.data(), &length) != 1 ||
            length != kKeyBytes) {
            return Fail(ErrorCode::Internal);
        }
        SecureBytes secret(kKeyBytes);
        SecureBytes key(kKeyBytes);
        if (!SharedSecret(ephemeral.get(), recipientPublic, secret)) {
            return Fail(ErrorCode::PublicKeyMalformed);
        }
        if (!WrappingKey(std::span(body).first<kKeyBytes>(), recipientPublic, secret, key) ||
            KeyWrap(true, key, messageKey, body.data() + kKeyBytes) != int{kWrappedBytes}) {
            return Fail(ErrorCode::Internal);
        }
        return body;
    });
}

}  // namespace

std::expected<X25519StanzaBody, Error> WrapForX25519(Key recipientPublic, Key messageKey) {
    const PkeyPtr ephemeral(EVP_PKEY_Q_keygen(nullptr, nullptr, "X25519"));
    return Wrap(recipientPublic, messageKey, ephemeral);
}

std::expected<X25519StanzaBody, Error> WrapForX25519(Key recipientPublic, Key messageKey,
                                                     Key ephemeralPrivate) {
    const PkeyPtr ephemeral(
        EVP_PKEY_new_raw_private_key(EVP_PKEY_X25519, nullptr, ephemeralPrivate.data(), kKeyBytes));
    return Wrap(recipientPublic, messageKey, ephemeral);
}

std::expected<SecureBytes, Error> UnwrapForX25519(Key ownScalar, Key ownPublic,
                                                  std::span<const std::uint8_t> body) {
    if (body.size() != kX25519StanzaBytes) {
        return Fail(ErrorCode::NotForThisKey);
    }
    // With both halves: from the scalar alone OpenSSL would work the public
    // half out again, one more scalar multiplication per message.
    const PkeyPtr own = X25519KeyFromHalves(ownScalar, ownPublic);
    if (!own || Hkdf() == nullptr || AesKeyWrap() == nullptr) {
        return Fail(ErrorCode::Internal);
    }
    return WithoutExceptions([&]() -> std::expected<SecureBytes, Error> {
        const Key ephemeral = body.first<kKeyBytes>();
        SecureBytes secret(kKeyBytes);
        SecureBytes key(kKeyBytes);
        // Unwrapping writes the integrity block's length too, in OpenSSL's
        // count of what it may need.
        SecureBytes messageKey(kWrappedBytes);
        if (!SharedSecret(own.get(), ephemeral, secret)) {
            return Fail(ErrorCode::NotForThisKey);
        }
        if (!WrappingKey(ephemeral, ownPublic, secret, key)) {
            return Fail(ErrorCode::Internal);
        }
        if (KeyWrap(false, key, body.subspan(kKeyBytes), messageKey.data()) != int{kKeyBytes}) {
            return Fail(ErrorCode::NotForThisKey);
        }
        messageKey.resize(kKeyBytes);
        return messageKey;
    });
}

}  // namespace zelvora
