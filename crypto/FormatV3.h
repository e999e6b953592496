#pragma once

#include "crypto/CiphertextFormat.h"

namespace zelvora {

class AnyKey;

// Format version 3 (CiphertextFormat.md): the message key wrapped once per
// recipient, an authenticated header, and the message in sealed chunks,
// signed inside when there is a signer. The whole-message face of
// StreamSealer and StreamOpener over keys of any kind, mixed as they come.
class FormatV3 : public CiphertextFormat {
public:
    static constexpr std::uint8_t kVersion = 3;
    static const FormatV3& Instance();

    std::uint8_t Version() const override { return kVersion; }
    bool AvailableHere() const override;
    // To `recipient` alone, signed by `signer` when it is not null.
    std::expected<Bytes, Error> Encrypt(const RsaKey& recipient, const RsaKey* signer,
                                        std::span<const std::uint8_t> message) const override;
    // To every key of `recipients` (1 to 64; a key named twice gets one
    // stanza), signed by `signer` when it is not null.
    std::expected<Bytes, Error> EncryptTo(std::span<const RsaKey* const> recipients,
                                          const RsaKey* signer,
                                          std::span<const std::uint8_t> message) const;
    std::expected<Bytes, Error> EncryptTo(std::span<const AnyKey* const> recipients,
                                          const AnyKey* signer,
                                          std::span<const std::uint8_t> message) const;
    // Every way the message fails to open is NotForThisKey.
    std::expected<DecryptedMessage, Error> Decrypt(
        const RsaKey& own, const RsaKey* sender,
        std::span<const std::uint8_t> ciphertext) const override;
    std::expected<DecryptedMessage, Error> Decrypt(const AnyKey& own, const AnyKey* sender,
                                                   std::span<const std::uint8_t> ciphertext) const;

private:
    FormatV3() = default;
};

}  // namespace zelvora
