#pragma once

#include "crypto/RsaKeyShare.h"
#include "crypto/SenderKey.h"

namespace zelvora {

// An RSA public key as the expected writer: checks RSASSA-PSS signatures as
// long as its modulus.
class RsaSenderKey : public SenderKey {
public:
    explicit RsaSenderKey(RsaKeyShare key) : key_(std::move(key)) {}

    std::uint8_t SignatureKind() const override;
    std::size_t SignatureBytes() const override { return key_.modulusBytes; }
    const Fingerprint& KeyFingerprint() const override { return key_.fingerprint; }
    Check Verify(std::span<const std::uint8_t> statement,
                 std::span<const std::uint8_t> signature) const override;

private:
    RsaKeyShare key_;
};

}  // namespace zelvora
