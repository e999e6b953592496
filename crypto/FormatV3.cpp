#include "crypto/FormatV3.h"

#include "base/ErrorCode.h"
#include "crypto/KeyRoles.h"
#include "crypto/KeySchedule.h"
#include "crypto/SealedEnvelope.h"
#include "crypto/WholeMessage.h"
#include "keys/AnyKey.h"

#include <memory>
#include <vector>

namespace zelvora {

const FormatV3& FormatV3::Instance() {
    static const FormatV3 format;
    return format;
}

bool FormatV3::AvailableHere() const {
    // The same AES-256-GCM as the envelope of versions 1 and 2, and the
    // key schedule's HKDF and HMAC.
    return EnvelopeAvailable() && v3::KeyScheduleAvailable();
}

std::expected<Bytes, Error> FormatV3::Encrypt(const RsaKey& recipient, const RsaKey* signer,
                                              std::span<const std::uint8_t> message) const {
    const RsaKey* const recipients[] = {&recipient};
    return EncryptTo(recipients, signer, message);
}

namespace {

// Null entries in `recipients` are passed over.
template <class Key>
std::expected<Bytes, Error> SealTo(std::span<const Key* const> recipients, const Key* signer,
                                   std::span<const std::uint8_t> message) {
    return WithoutExceptions([&]() -> std::expected<Bytes, Error> {
        std::vector<std::unique_ptr<Recipient>> held;
        std::vector<const Recipient*> roles;
        held.reserve(recipients.size());
        roles.reserve(recipients.size());
        for (const Key* key : recipients) {
            if (key == nullptr) {
                continue;
            }
            auto recipient = MakeRecipient(*key);
            if (!recipient) {
                return std::unexpected(recipient.error());
            }
            roles.push_back(recipient->get());
            held.push_back(std::move(*recipient));
        }
        std::unique_ptr<Signer> signerRole;
        if (signer != nullptr) {
            auto made = MakeSigner(*signer);
            if (!made) {
                return std::unexpected(made.error());
            }
            signerRole = std::move(*made);
        }
        return SealMessage(roles, signerRole.get(), message);
    });
}

template <class Key>
std::expected<DecryptedMessage, Error> OpenWith(const Key& own, const Key* sender,
                                                std::span<const std::uint8_t> ciphertext) {
    auto identity = MakeIdentity(own);
    if (!identity) {
        return std::unexpected(identity.error());
    }
    std::unique_ptr<SenderKey> senderKey;
    if (sender != nullptr) {
        auto made = MakeSenderKey(*sender);
        if (!made) {
            return std::unexpected(made.error());
        }
        senderKey = std::move(*made);
    }
    return OpenMessage(ciphertext, **identity, senderKey.get());
}

}  // namespace

std::expected<Bytes, Error> FormatV3::EncryptTo(std::span<const RsaKey* const> recipients,
                                                const RsaKey* signer,
                                                std::span<const std::uint8_t> message) const {
    return SealTo(recipients, signer, message);
}

std::expected<Bytes, Error> FormatV3::EncryptTo(std::span<const AnyKey* const> recipients,
                                                const AnyKey* signer,
                                                std::span<const std::uint8_t> message) const {
    return SealTo(recipients, signer, message);
}

std::expected<DecryptedMessage, Error> FormatV3::Decrypt(
    const RsaKey& own, const RsaKey* sender, std::span<const std::uint8_t> ciphertext) const {
    return OpenWith(own, sender, ciphertext);
}

std::expected<DecryptedMessage, Error> FormatV3::Decrypt(
    const AnyKey& own, const AnyKey* sender, std::span<const std::uint8_t> ciphertext) const {
    return OpenWith(own, sender, ciphertext);
}

}  // namespace zelvora
