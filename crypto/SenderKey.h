#pragma once

#include "keys/Fingerprint.h"

#include <cstddef>
#include <cstdint>
#include <span>

namespace zelvora {

// The public key of the writer a reader expects, whatever its kind: it
// checks a signature over a message's statement.
class SenderKey {
public:
    enum class Check { Good, Bad, Broken };

    virtual ~SenderKey() = default;

    // The preamble's first byte of a message this key signed.
    virtual std::uint8_t SignatureKind() const = 0;
    virtual std::size_t SignatureBytes() const = 0;
    virtual const Fingerprint& KeyFingerprint() const = 0;
    // Broken only when the crypto library itself fails.
    virtual Check Verify(std::span<const std::uint8_t> statement,
                         std::span<const std::uint8_t> signature) const = 0;
};

}  // namespace zelvora
