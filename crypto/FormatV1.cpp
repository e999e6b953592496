#include "crypto/FormatV1.h"

#include "base/ErrorCode.h"
#include "crypto/SealedEnvelope.h"

namespace zelvora {

const FormatV1& FormatV1::Instance() {
    static const FormatV1 format;
    return format;
}

bool FormatV1::AvailableHere() const {
    return EnvelopeAvailable();
}

std::expected<Bytes, Error> FormatV1::Encrypt(const RsaKey& recipient, const RsaKey* signer,
                                              std::span<const std::uint8_t> message) const {
    if (signer != nullptr) {
        // Writing the message unsigned would drop what the caller asked for.
        return std::unexpected(MakeError(ErrorCode::Internal));
    }
    // The content is the message itself.
    return SealEnvelope(kVersion, recipient, {message});
}

std::expected<DecryptedMessage, Error> FormatV1::Decrypt(
    const RsaKey& own, const RsaKey* /*sender*/, std::span<const std::uint8_t> ciphertext) const {
    auto content = OpenEnvelope(own, ciphertext);
    if (!content) {
        return std::unexpected(std::move(content.error()));
    }
    // Nothing in version 1 names a writer, so there is nothing to check.
    return DecryptedMessage{std::move(*content), SignatureState::Unsigned, std::nullopt};
}

}  // namespace zelvora
