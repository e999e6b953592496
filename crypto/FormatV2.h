#pragma once

#include "crypto/CiphertextFormat.h"

#include <array>

namespace zelvora {

// Format version 2 (CiphertextFormat.md): version 1's outer layer around a
// signed content, the signer's fingerprint, an RSASSA-PSS signature and the
// message. Only the recipient can see who signed.
class FormatV2 : public CiphertextFormat {
public:
    static constexpr std::uint8_t kVersion = 2;
    // What the signature covers starts with this, so that no signature made
    // for another purpose with the same key can pass as a message's.
    static constexpr std::array<char, 34> kContext{"Zelvora signed message, version 2"};
    static const FormatV2& Instance();

    std::uint8_t Version() const override { return kVersion; }
    bool AvailableHere() const override;
    std::expected<Bytes, Error> Encrypt(const RsaKey& recipient, const RsaKey* signer,
                                        std::span<const std::uint8_t> message) const override;
    // A content whose length fields do not add up is refused with the same
    // error as a failed tag: it could only come from a faulty or hostile
    // writer holding the recipient's public key.
    std::expected<DecryptedMessage, Error> Decrypt(
        const RsaKey& own, const RsaKey* sender,
        std::span<const std::uint8_t> ciphertext) const override;

private:
    FormatV2() = default;
};

}  // namespace zelvora
