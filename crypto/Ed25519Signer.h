#pragma once

#include "crypto/Ed25519KeyShare.h"
#include "crypto/Signer.h"

namespace zelvora {

// An Ed25519 private key as a signer: Ed25519 (RFC 8032, section 5.1.6,
// pure, no context) over the statement, 64 bytes; the preamble carries the
// fingerprint alone, as the length is fixed.
class Ed25519Signer : public Signer {
public:
    static constexpr std::uint8_t kKind = 0x02;
    static constexpr std::size_t kSignatureBytes = 64;

    explicit Ed25519Signer(Ed25519KeyShare key) : key_(std::move(key)) {}

    Bytes Preamble() const override;
    std::size_t SignatureBytes() const override { return kSignatureBytes; }
    const Fingerprint& KeyFingerprint() const override { return key_.fingerprint; }
    std::expected<void, Error> Sign(std::span<const std::uint8_t> statement,
                                    std::span<std::uint8_t> signature) const override;

private:
    Ed25519KeyShare key_;
};

}  // namespace zelvora
