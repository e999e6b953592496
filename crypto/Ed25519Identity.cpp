#include "crypto/Ed25519Identity.h"

#include "base/ErrorCode.h"
#include "crypto/X25519Stanza.h"
#include "keys/Ed25519Key.h"
#include "keys/OpenSslHandles.h"

#include <openssl/core_names.h>
#include <openssl/err.h>

#include <cstring>

namespace zelvora {
namespace {

constexpr std::size_t kKeyBytes = 32;

std::unexpected<Error> Fail(ErrorCode code) {
    ERR_clear_error();
    return std::unexpected(MakeError(code));
}

}  // namespace

std::expected<std::unique_ptr<Ed25519Identity>, Error> Ed25519Identity::Create(
    const Ed25519Key& key) {
    return WithoutExceptions([&]() -> std::expected<std::unique_ptr<Ed25519Identity>, Error> {
        SecureBytes seed(kKeyBytes);
        std::size_t length = seed.size();
        // Asked for as a parameter, which OpenSSL writes straight into our
        // buffer; EVP_PKEY_get_raw_private_key exports the key through a
        // parameter block it frees unwiped.
        if (EVP_PKEY_get_octet_string_param(key.Handle(), OSSL_PKEY_PARAM_PRIV_KEY, seed.data(),
                                            seed.size(), &length) != 1 ||
            length != kKeyBytes) {
            return Fail(ErrorCode::Internal);
        }
        auto scalar = Ed25519SeedToX25519(std::span<const std::uint8_t, kKeyBytes>(seed));
        if (!scalar) {
            return std::unexpected(scalar.error());
        }
        // The public key from the scalar, as X25519 makes it: for a key pair
        // made as RFC 8032 makes them it is the map of the Ed25519 public
        // key a writer uses, and it costs a fraction of the map's checks.
        // OpenSSL copies the scalar into memory it wipes when it frees it.
        const PkeyPtr x25519(
            EVP_PKEY_new_raw_private_key(EVP_PKEY_X25519, nullptr, scalar->data(), kKeyBytes));
        X25519PublicKey publicKey{};
        length = publicKey.size();
        if (!x25519 || EVP_PKEY_get_raw_public_key(x25519.get(), publicKey.data(), &length) != 1 ||
            length != publicKey.size()) {
            return Fail(ErrorCode::Internal);
        }
        return std::unique_ptr<Ed25519Identity>(new Ed25519Identity(std::move(*scalar), publicKey));
    });
}

std::expected<void, Error> Ed25519Identity::Unwrap(std::span<const Stanza> stanzas,
                                                   MessageKey& messageKey) const {
    const std::span<const std::uint8_t, kKeyBytes> scalar(scalar_.data(), kKeyBytes);
    for (const Stanza& stanza : stanzas) {
        if (stanza.type != Stanza::kX25519 || stanza.body.size() != kX25519StanzaBytes) {
            continue;
        }
        auto unwrapped = UnwrapForX25519(scalar, publicKey_, stanza.body);
        if (unwrapped) {
            std::memcpy(messageKey.data(), unwrapped->data(), MessageKey::kBytes);
            return {};
        }
        // Only a failing library is more than "not this stanza".
        if (unwrapped.error() != MakeError(ErrorCode::NotForThisKey)) {
            return std::unexpected(unwrapped.error());
        }
    }
    return std::unexpected(MakeError(ErrorCode::NotForThisKey));
}

}  // namespace zelvora
