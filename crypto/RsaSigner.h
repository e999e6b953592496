#pragma once

#include "crypto/RsaKeyShare.h"
#include "crypto/Signer.h"

namespace zelvora {

// An RSA private key as a signer: RSASSA-PSS over the statement, as long as
// the modulus; the preamble carries that length.
class RsaSigner : public Signer {
public:
    static constexpr std::uint8_t kKind = 0x01;

    explicit RsaSigner(RsaKeyShare key) : key_(std::move(key)) {}

    Bytes Preamble() const override;
    std::size_t SignatureBytes() const override { return key_.modulusBytes; }
    const Fingerprint& KeyFingerprint() const override { return key_.fingerprint; }
    std::expected<void, Error> Sign(std::span<const std::uint8_t> statement,
                                    std::span<std::uint8_t> signature) const override;

private:
    RsaKeyShare key_;
};

}  // namespace zelvora
