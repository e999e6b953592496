#include "crypto/Ed25519Recipient.h"

#include "base/ErrorCode.h"
#include "crypto/Ed25519Identity.h"
#include "crypto/X25519Stanza.h"
#include "keys/Ed25519Key.h"

#include <span>

namespace zelvora {

std::expected<std::unique_ptr<Ed25519Recipient>, Error> Ed25519Recipient::Create(
    const Ed25519Key& key) {
    // The writer's own key, named for the writer's copy, holds its seed:
    // its X25519 form comes from there at the cost of one X25519 operation,
    // where checking a public key alone costs a scalar multiplication on
    // BIGNUMs, a few times more. A public half derived from a seed lies in
    // the prime-order subgroup, so nothing is left unchecked.
    if (const auto own = Ed25519Identity::Create(key)) {
        return WithoutExceptions([&]() -> std::expected<std::unique_ptr<Ed25519Recipient>, Error> {
            return std::unique_ptr<Ed25519Recipient>(new Ed25519Recipient((*own)->PublicKey()));
        });
    }
    const auto publicKey = Ed25519PublicToX25519(key.PublicKey());
    if (!publicKey) {
        return std::unexpected(publicKey.error());
    }
    return WithoutExceptions([&]() -> std::expected<std::unique_ptr<Ed25519Recipient>, Error> {
        return std::unique_ptr<Ed25519Recipient>(new Ed25519Recipient(*publicKey));
    });
}

bool Ed25519Recipient::SameKey(const Recipient& other) const {
    const auto* ed25519 = dynamic_cast<const Ed25519Recipient*>(&other);
    return ed25519 != nullptr && ed25519->publicKey_ == publicKey_;
}

std::expected<Stanza, Error> Ed25519Recipient::Wrap(const MessageKey& messageKey) const {
    const auto body = WrapForX25519(publicKey_, std::span<const std::uint8_t, MessageKey::kBytes>(
                                                    messageKey.data(), MessageKey::kBytes));
    if (!body) {
        return std::unexpected(body.error());
    }
    return WithoutExceptions([&]() -> std::expected<Stanza, Error> {
        return Stanza{Stanza::kX25519, Bytes(body->begin(), body->end())};
    });
}

}  // namespace zelvora
