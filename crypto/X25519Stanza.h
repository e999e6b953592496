#pragma once

#include "base/Error.h"
#include "base/SecureBytes.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <expected>
#include <span>

namespace zelvora {

// The body of a version-3 X25519 stanza (type 0x02, CiphertextFormat.md):
// a fresh X25519 public key, then the 32-byte message key under AES-256
// key wrap (RFC 3394) with a key that HKDF-SHA-256 derives from the shared
// secret and both public keys. The wrap's integrity check tells a reader
// whether the stanza was for it. Keys are the X25519 forms of Ed25519 keys
// (keys/Curve25519Map.h), 32 bytes each.
inline constexpr std::size_t kX25519StanzaBytes = 72;
using X25519StanzaBody = std::array<std::uint8_t, kX25519StanzaBytes>;

// Wraps the message key for a recipient under a fresh ephemeral key pair.
// A recipient key with which X25519 gives the all-zero secret (a point of
// small order, whose secret anyone could compute) is refused with
// PublicKeyMalformed; any other failure is Internal.
std::expected<X25519StanzaBody, Error> WrapForX25519(
    std::span<const std::uint8_t, 32> recipientPublic,
    std::span<const std::uint8_t, 32> messageKey);

// The same with the ephemeral private key given, for known-answer tests:
// a message must never reuse one.
std::expected<X25519StanzaBody, Error> WrapForX25519(
    std::span<const std::uint8_t, 32> recipientPublic, std::span<const std::uint8_t, 32> messageKey,
    std::span<const std::uint8_t, 32> ephemeralPrivate);

// The message key (32 bytes) from a stanza body, with the reader's own
// X25519 scalar and public key. Every body that does not give it (wrapped
// for another key, changed, of another length, or with an ephemeral key
// that gives the all-zero secret) is refused with the one error
// NotForThisKey, so a forger learns nothing of which step refused it.
std::expected<SecureBytes, Error> UnwrapForX25519(std::span<const std::uint8_t, 32> ownScalar,
                                                  std::span<const std::uint8_t, 32> ownPublic,
                                                  std::span<const std::uint8_t> body);

}  // namespace zelvora
