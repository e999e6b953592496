#pragma once

#include "base/Error.h"
#include "base/SecureBytes.h"

#include <cstdint>
#include <expected>
#include <initializer_list>
#include <span>

namespace zelvora {

class RsaKey;

// The outer layer every format shares (CiphertextFormat.md): the format's
// version byte, the RSA-OAEP wrap of a fresh AES-256 key, a nonce, and the
// content under AES-256-GCM with the version byte and the wrapped key as
// associated data. The formats differ only in what the content holds.

// Seals the concatenation of `pieces` as one content, so a caller with a
// header and a message need not join them into a new buffer first.
std::expected<Bytes, Error> SealEnvelope(
    std::uint8_t version, const RsaKey& recipient,
    std::initializer_list<std::span<const std::uint8_t>> pieces);

// The content, released only after the tag has checked. `ciphertext` starts
// with the version byte, which the caller has already matched.
std::expected<SecureBytes, Error> OpenEnvelope(const RsaKey& own,
                                               std::span<const std::uint8_t> ciphertext);

// Whether the crypto library has the cipher the envelope needs.
bool EnvelopeAvailable();

}  // namespace zelvora
