#pragma once

// How a blob that does not hold the key a slot wants is refused, shared by
// the key classes' source files.

#include "base/ErrorCode.h"
#include "keys/KeyBlobShape.h"

#include <optional>

namespace zelvora {

// Each refusal names the slot the blob was meant for, so the user learns
// which of the two key files to fix.
struct KeySlot {
    bool isPrivate;
    ErrorCode empty;
    ErrorCode malformed;
    ErrorCode notRsa;
    ErrorCode size;
    ErrorCode swapped;
};

inline constexpr KeySlot kPrivateSlot{true,
                                      ErrorCode::PrivateKeyEmpty,
                                      ErrorCode::PrivateKeyMalformed,
                                      ErrorCode::PrivateKeyNotRsa,
                                      ErrorCode::PrivateKeySize,
                                      ErrorCode::PrivateKeyIsPublic};
inline constexpr KeySlot kPublicSlot{false,
                                     ErrorCode::PublicKeyEmpty,
                                     ErrorCode::PublicKeyMalformed,
                                     ErrorCode::PublicKeyNotRsa,
                                     ErrorCode::PublicKeySize,
                                     ErrorCode::PublicKeyIsPrivate};

// Nothing when `shape` is a key of `wanted` for the slot. A key of another
// kind is "not RSA" where RSA is wanted; the texts know no other kind yet,
// so elsewhere it is a key the slot cannot read.
inline std::optional<ErrorCode> Refusal(const KeySlot& slot, const KeyBlobShape& shape,
                                        KeyBlobShape::Algorithm wanted) {
    using Form = KeyBlobShape::Form;
    if (shape.form == Form::Unreadable) {
        return slot.malformed;
    }
    if (shape.IsPrivate() != slot.isPrivate) {
        return slot.swapped;
    }
    if (shape.form == Form::EncryptedPrivateKeyInfo) {
        return ErrorCode::PrivateKeyEncrypted;
    }
    if (shape.algorithm != wanted) {
        return wanted == KeyBlobShape::Algorithm::Rsa ? slot.notRsa : slot.malformed;
    }
    return std::nullopt;
}

}  // namespace zelvora
