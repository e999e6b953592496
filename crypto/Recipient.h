#pragma once

#include "base/Error.h"
#include "crypto/MessageKey.h"
#include "crypto/Stanza.h"

#include <expected>

namespace zelvora {

// A public key a message can be encrypted to, whatever its kind: it wraps
// the message key into a stanza only the matching private key can open.
class Recipient {
public:
    virtual ~Recipient() = default;

    virtual std::expected<Stanza, Error> Wrap(const MessageKey& messageKey) const = 0;
    // Whether `other` stands for the same public key, so a list can hold
    // each key once.
    virtual bool SameKey(const Recipient& other) const = 0;
};

}  // namespace zelvora
