#pragma once

// For the source files of keys/ and crypto/ only: it brings OpenSSL along.

#include "keys/OpenSslHandles.h"

#include <cstdint>
#include <span>

namespace zelvora {

// An X25519 key handed to OpenSSL with both its halves (RFC 7748, 32 bytes
// each). From the private half alone OpenSSL would work the public one out,
// a scalar multiplication as dear as the operation the key is made for.
// OpenSSL copies the private half into memory it wipes when the key is
// freed. Null on failure.
PkeyPtr X25519KeyFromHalves(std::span<const std::uint8_t, 32> privateHalf,
                            std::span<const std::uint8_t, 32> publicHalf);

}  // namespace zelvora
