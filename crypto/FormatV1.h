#pragma once

#include "crypto/CiphertextFormat.h"

namespace zelvora {

// Format version 1 (CiphertextFormat.md): the RSA-OAEP wrap of a fresh
// AES-256 key, a nonce, and the message under AES-256-GCM.
class FormatV1 : public CiphertextFormat {
public:
    static constexpr std::uint8_t kVersion = 1;
    static const FormatV1& Instance();

    std::uint8_t Version() const override { return kVersion; }
    bool AvailableHere() const override;
    std::expected<Bytes, Error> Encrypt(const RsaKey& recipient, const RsaKey* signer,
                                        std::span<const std::uint8_t> message) const override;
    // Always Unsigned: the format names no writer.
    std::expected<DecryptedMessage, Error> Decrypt(
        const RsaKey& own, const RsaKey* sender,
        std::span<const std::uint8_t> ciphertext) const override;

private:
    FormatV1() = default;
};

}  // namespace zelvora
