#pragma once

#include "base/SecureBytes.h"
#include "crypto/Identity.h"
#include "keys/Curve25519Map.h"

#include <memory>

namespace zelvora {

class Ed25519Key;

// An Ed25519 private key as an identity: it tries, in order, every X25519
// stanza of the body length that kind has, with the key's X25519 scalar.
class Ed25519Identity : public Identity {
public:
    // Works out the X25519 scalar and public key once, not per stanza.
    // `key` must hold a private key.
    static std::expected<std::unique_ptr<Ed25519Identity>, Error> Create(const Ed25519Key& key);

    std::expected<void, Error> Unwrap(std::span<const Stanza> stanzas,
                                      MessageKey& messageKey) const override;

    // The key's X25519 form, as a writer's stanza names it.
    const X25519PublicKey& PublicKey() const { return publicKey_; }

private:
    Ed25519Identity(SecureBytes scalar, const X25519PublicKey& publicKey)
        : scalar_(std::move(scalar)), publicKey_(publicKey) {}

    SecureBytes scalar_;
    X25519PublicKey publicKey_;
};

}  // namespace zelvora
