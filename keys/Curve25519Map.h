#pragma once

#include "base/Error.h"
#include "base/SecureBytes.h"

#include <array>
#include <cstdint>
#include <expected>
#include <span>

namespace zelvora {

// One Ed25519 key pair serves both for signing and for encryption: to
// encrypt, its public key is taken to the X25519 form and its seed to an
// X25519 scalar, so a person needs no second key to receive messages.
// Both values are 32 bytes, little-endian, as RFC 7748 encodes them.
using X25519PublicKey = std::array<std::uint8_t, 32>;

// The u-coordinate of an encoded Ed25519 public key (RFC 8032, section
// 5.1.2), by the birational map of RFC 7748, section 4.1:
// u = (1 + y) / (1 - y) mod 2^255 - 19. The sign of x plays no part.
//
// Refused with PublicKeyMalformed: a y of 2^255 - 19 or more (a second
// encoding of a point that has a shorter one); a y that gives no point of
// the curve; the eight points of small order, whose shared secrets an
// attacker can predict (y = 1 among them, where the map has no value); and
// any point outside the prime-order subgroup. A key pair made as RFC 8032
// makes them passes every check.
std::expected<X25519PublicKey, Error> Ed25519PublicToX25519(
    std::span<const std::uint8_t, 32> ed25519Public);

// The X25519 scalar of an Ed25519 seed: the first 32 bytes of SHA-512 of
// the seed (RFC 8032, section 5.1.5), clamped as decodeScalar25519 of RFC
// 7748 clamps. X25519 clamps again on use; clamping here gives the bytes
// other implementations hand out for the same seed. 32 bytes.
std::expected<SecureBytes, Error> Ed25519SeedToX25519(std::span<const std::uint8_t, 32> seed);

}  // namespace zelvora
