#pragma once

#include "base/Error.h"
#include "base/SecureBytes.h"
#include "keys/Fingerprint.h"

#include <cstddef>
#include <cstdint>
#include <expected>
#include <span>

namespace zelvora {

// A private key that signs a message's statement, whatever its kind. The
// preamble a signed version 3 message starts with, and the length of the
// signature that ends it, depend on the kind; the signer knows both.
class Signer {
public:
    virtual ~Signer() = default;

    // The preamble: its first byte names the kind, then the fingerprint and
    // whatever the kind needs to read the trailer.
    virtual Bytes Preamble() const = 0;
    // Every signature this key makes is exactly this long.
    virtual std::size_t SignatureBytes() const = 0;
    virtual const Fingerprint& KeyFingerprint() const = 0;
    // Writes SignatureBytes() bytes to `signature`.
    virtual std::expected<void, Error> Sign(std::span<const std::uint8_t> statement,
                                            std::span<std::uint8_t> signature) const = 0;
};

}  // namespace zelvora
