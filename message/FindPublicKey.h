#pragma once

#include "base/SecureBytes.h"
#include "keys/Fingerprint.h"
#include "keys/KeyKind.h"

#include <optional>
#include <string_view>

namespace zelvora {

// A public key found in pasted text, with what the user checks before
// keeping it.
struct FoundPublicKey {
    Bytes blob;  // as a .pkey file holds it
    KeyKind kind = KeyKind::Rsa;
    int bits = 0;  // an RSA modulus' size; 0 for Ed25519, which has one size
    Fingerprint fingerprint{};
};

// Finds a public key of any kind in `text` as Decrypt finds a message in a
// mail: quote markers, wrapped lines and a greeting around it are passed
// over. Of several hex blocks the one Decrypt would pick is tried first,
// then the others from the top, so a key quoted under a reply is still
// found. None when no block holds a public key.
std::optional<FoundPublicKey> FindPublicKey(std::u16string_view text);

}  // namespace zelvora
