#pragma once

#include "crypto/Ed25519KeyShare.h"
#include "crypto/SenderKey.h"

namespace zelvora {

// An Ed25519 public key as the expected writer: checks pure Ed25519
// signatures (RFC 8032, section 5.1.7) over the statement.
class Ed25519SenderKey : public SenderKey {
public:
    explicit Ed25519SenderKey(Ed25519KeyShare key) : key_(std::move(key)) {}

    std::uint8_t SignatureKind() const override;
    std::size_t SignatureBytes() const override;
    const Fingerprint& KeyFingerprint() const override { return key_.fingerprint; }
    Check Verify(std::span<const std::uint8_t> statement,
                 std::span<const std::uint8_t> signature) const override;

private:
    Ed25519KeyShare key_;
};

}  // namespace zelvora
