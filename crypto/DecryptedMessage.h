#pragma once

#include "base/SecureBytes.h"
#include "base/SignatureState.h"
#include "keys/Fingerprint.h"

#include <optional>

namespace zelvora {

// A message whose ciphertext checked, and what its signature says.
struct DecryptedMessage {
    SecureBytes text;
    SignatureState signature = SignatureState::Unsigned;
    // The key the inner layer names as its signer, for every signed message
    // (whether or not the signature could be checked).
    std::optional<Fingerprint> signer;
};

}  // namespace zelvora
