#include "keys/Ed25519Key.h"

#include "base/ErrorCode.h"
#include "keys/KeyBlobShape.h"
#include "keys/KeySlot.h"
#include "keys/OpenSslHandles.h"

#include <openssl/err.h>

#include <algorithm>

namespace zelvora {

void Ed25519Key::Free::operator()(evp_pkey_st* key) const noexcept {
    EVP_PKEY_free(key);
}

Ed25519Key::~Ed25519Key() = default;

std::expected<std::unique_ptr<Ed25519Key>, Error> Ed25519Key::FromPrivateKeyBlob(
    std::span<const std::uint8_t> blob) {
    return FromBlob(blob, true);
}

std::expected<std::unique_ptr<Ed25519Key>, Error> Ed25519Key::FromPublicKeyBlob(
    std::span<const std::uint8_t> blob) {
    return FromBlob(blob, false);
}

std::expected<std::unique_ptr<Ed25519Key>, Error> Ed25519Key::FromBlob(
    std::span<const std::uint8_t> blob, bool wantPrivate) {
    const KeySlot& slot = wantPrivate ? kPrivateSlot : kPublicSlot;
    const auto refuse = [](ErrorCode code) { return std::unexpected(MakeError(code)); };
    if (blob.empty()) {
        return refuse(slot.empty);
    }
    const KeyBlobShape shape = KeyBlobShape::Read(blob);
    if (const auto refusal = Refusal(slot, shape, KeyBlobShape::Algorithm::Ed25519)) {
        return refuse(*refusal);
    }
    // A private key is its 32-byte seed (RFC 8032, section 5.1.5), which the
    // shape found inside the PKCS#8's CurvePrivateKey OCTET STRING; it goes
    // to OpenSSL as raw bytes, since OpenSSL's decoders leave copies of
    // the DER they read unwiped. A public key is the 32 bytes of the SPKI's
    // BIT STRING (RFC 8410), taken as raw bytes too: the first decoder
    // context of a process costs about a millisecond (see RsaKey.cpp).
    constexpr std::size_t kCurvePrivateKeyHeader = 2;
    PkeyPtr key;
    if (wantPrivate) {
        const auto seed = shape.key.subspan(kCurvePrivateKeyHeader);
        key.reset(
            EVP_PKEY_new_raw_private_key_ex(nullptr, "ED25519", nullptr, seed.data(), seed.size()));
    } else {
        key.reset(EVP_PKEY_new_raw_public_key_ex(nullptr, "ED25519", nullptr, shape.key.data(),
                                                 shape.key.size()));
    }
    PublicKeyBytes publicKey{};
    std::size_t length = publicKey.size();
    // OpenSSL derives a private key's public half as it decodes it.
    if (!key || EVP_PKEY_get_raw_public_key(key.get(), publicKey.data(), &length) != 1 ||
        length != publicKey.size()) {
        ERR_clear_error();
        return refuse(slot.malformed);
    }
    // The public key a version 2 PKCS#8 states must be the one the private
    // key gives; a file whose halves disagree was put together wrongly.
    if (shape.statedPublicKey && !std::ranges::equal(*shape.statedPublicKey, publicKey)) {
        return refuse(slot.malformed);
    }
    return std::unique_ptr<Ed25519Key>(new Ed25519Key(KeyHandle(key.release()), publicKey));
}

}  // namespace zelvora
