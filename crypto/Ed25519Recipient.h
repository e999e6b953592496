#pragma once

#include "crypto/Recipient.h"
#include "keys/Curve25519Map.h"

#include <memory>

namespace zelvora {

class Ed25519Key;

// An Ed25519 public key (or the public half of a private one) as a
// recipient: an X25519 stanza to the key's X25519 form, under a fresh
// ephemeral key for every message.
class Ed25519Recipient : public Recipient {
public:
    // Takes the key to its X25519 form once. A key whose form is unusable
    // (non-canonical, of small order, outside the prime-order subgroup) is
    // refused with PublicKeyMalformed: anyone could read what is sent to it.
    static std::expected<std::unique_ptr<Ed25519Recipient>, Error> Create(const Ed25519Key& key);

    std::expected<Stanza, Error> Wrap(const MessageKey& messageKey) const override;
    // Two Ed25519 keys that differ only in the sign of x have one X25519
    // form, so one stanza serves both: they count as the same key.
    bool SameKey(const Recipient& other) const override;

private:
    explicit Ed25519Recipient(const X25519PublicKey& publicKey) : publicKey_(publicKey) {}

    X25519PublicKey publicKey_;
};

}  // namespace zelvora
