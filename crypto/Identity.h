#pragma once

#include "base/Error.h"
#include "crypto/MessageKey.h"
#include "crypto/Stanza.h"

#include <expected>
#include <span>

namespace zelvora {

// A private key a message can be read with, whatever its kind. It looks
// only at stanzas of its own kind and body length, in order, and gives the
// message key from the first that unwraps; NotForThisKey when none does.
class Identity {
public:
    virtual ~Identity() = default;

    virtual std::expected<void, Error> Unwrap(std::span<const Stanza> stanzas,
                                              MessageKey& messageKey) const = 0;
};

}  // namespace zelvora
