#include "crypto/FormatV2.h"

#include "base/ErrorCode.h"
#include "crypto/SealedEnvelope.h"
#include "keys/Fingerprint.h"
#include "keys/OpenSslHandles.h"
#include "keys/RsaKey.h"

#include <openssl/core_names.h>
#include <openssl/err.h>
#include <openssl/rsa.h>

#include <algorithm>
#include <cstring>

namespace zelvora {
namespace {

constexpr std::size_t kFingerprintBytes = std::tuple_size_v<Fingerprint>;
constexpr std::size_t kLengthBytes = 2;
constexpr std::size_t kSignatureAt = kFingerprintBytes + kLengthBytes;
// A signature is as long as the signer's modulus, which RsaKey's limits
// bound; a length outside them cannot come from any key this program uses.
constexpr std::size_t kMinSignatureBytes = RsaKey::kMinBits / 8;
constexpr std::size_t kMaxSignatureBytes = RsaKey::kMaxBits / 8;
// The salt as long as the SHA-256 digest, as RFC 8017 section 9.1 suggests.
constexpr int kSaltBytes = 32;

std::unexpected<Error> Fail(ErrorCode error) {
    ERR_clear_error();
    return std::unexpected(MakeError(error));
}

// RSASSA-PSS (RFC 8017, section 8.1) with SHA-256, MGF1 with SHA-256 and a
// 32-byte salt. Verification takes exactly this salt length, nothing else.
std::array<OSSL_PARAM, 4> PssParameters() {
    static char padMode[] = OSSL_PKEY_RSA_PAD_MODE_PSS;
    static char digest[] = "SHA256";
    static int saltLength = kSaltBytes;
    return {OSSL_PARAM_construct_utf8_string(OSSL_SIGNATURE_PARAM_PAD_MODE, padMode, 0),
            OSSL_PARAM_construct_utf8_string(OSSL_SIGNATURE_PARAM_MGF1_DIGEST, digest, 0),
            OSSL_PARAM_construct_int(OSSL_SIGNATURE_PARAM_PSS_SALTLEN, &saltLength),
            OSSL_PARAM_construct_end()};
}

// Feeds what the signature covers: the context, the recipient's fingerprint
// (so a recipient cannot pass the message on as written to someone else),
// the signer's fingerprint, and the message.
bool FeedSignedData(EVP_MD_CTX* context, int (*update)(EVP_MD_CTX*, const void*, size_t),
                    const Fingerprint& recipient, const Fingerprint& signer,
                    std::span<const std::uint8_t> message) {
    return update(context, FormatV2::kContext.data(), FormatV2::kContext.size()) == 1 &&
           update(context, recipient.data(), recipient.size()) == 1 &&
           update(context, signer.data(), signer.size()) == 1 &&
           update(context, message.data(), message.size()) == 1;
}

int SignUpdate(EVP_MD_CTX* context, const void* data, size_t size) {
    return EVP_DigestSignUpdate(context, data, size);
}

int VerifyUpdate(EVP_MD_CTX* context, const void* data, size_t size) {
    return EVP_DigestVerifyUpdate(context, data, size);
}

// Writes exactly the signer's modulus length of bytes to `out`.
bool Sign(const RsaKey& signer, const Fingerprint& recipientPrint, const Fingerprint& signerPrint,
          std::span<const std::uint8_t> message, std::uint8_t* out) {
    MdCtxPtr context(EVP_MD_CTX_new());
    auto parameters = PssParameters();
    std::size_t written = signer.ModulusBytes();
    return context &&
           EVP_DigestSignInit_ex(context.get(), nullptr, "SHA256", nullptr, nullptr,
                                 signer.Handle(), parameters.data()) == 1 &&
           FeedSignedData(context.get(), SignUpdate, recipientPrint, signerPrint, message) &&
           EVP_DigestSignFinal(context.get(), out, &written) == 1 &&
           written == signer.ModulusBytes();
}

enum class Check { Good, Bad, Broken };

Check Verify(const RsaKey& sender, const Fingerprint& recipientPrint,
             const Fingerprint& signerPrint, std::span<const std::uint8_t> message,
             std::span<const std::uint8_t> signature) {
    MdCtxPtr context(EVP_MD_CTX_new());
    auto parameters = PssParameters();
    if (!context ||
        EVP_DigestVerifyInit_ex(context.get(), nullptr, "SHA256", nullptr, nullptr, sender.Handle(),
                                parameters.data()) != 1 ||
        !FeedSignedData(context.get(), VerifyUpdate, recipientPrint, signerPrint, message)) {
        return Check::Broken;
    }
    return EVP_DigestVerifyFinal(context.get(), signature.data(), signature.size()) == 1
               ? Check::Good
               : Check::Bad;
}

}  // namespace

const FormatV2& FormatV2::Instance() {
    static const FormatV2 format;
    return format;
}

bool FormatV2::AvailableHere() const {
    return EnvelopeAvailable();
}

std::expected<Bytes, Error> FormatV2::Encrypt(const RsaKey& recipient, const RsaKey* signer,
                                              std::span<const std::uint8_t> message) const {
    if (signer == nullptr) {
        return Fail(ErrorCode::Internal);
    }
    const auto recipientPrint = KeyFingerprint(recipient);
    const auto signerPrint = KeyFingerprint(*signer);
    if (!recipientPrint || !signerPrint) {
        return Fail(ErrorCode::Internal);
    }
    const RsaKey* const key = signer;
    return WithoutExceptions([&]() -> std::expected<Bytes, Error> {
        // The part of the content before the message; the message itself is
        // sealed from where it lies, not copied after this.
        const std::size_t signatureBytes = key->ModulusBytes();
        Bytes head(kSignatureAt + signatureBytes);
        std::copy(signerPrint->begin(), signerPrint->end(), head.begin());
        head[kFingerprintBytes] = static_cast<std::uint8_t>(signatureBytes >> 8);
        head[kFingerprintBytes + 1] = static_cast<std::uint8_t>(signatureBytes & 0xFF);
        if (!Sign(*key, *recipientPrint, *signerPrint, message, head.data() + kSignatureAt)) {
            return Fail(ErrorCode::Internal);
        }
        return SealEnvelope(kVersion, recipient, {std::span<const std::uint8_t>(head), message});
    });
}

std::expected<DecryptedMessage, Error> FormatV2::Decrypt(
    const RsaKey& own, const RsaKey* sender, std::span<const std::uint8_t> ciphertext) const {
    auto opened = OpenEnvelope(own, ciphertext);
    if (!opened) {
        return std::unexpected(std::move(opened.error()));
    }
    return WithoutExceptions([&]() -> std::expected<DecryptedMessage, Error> {
        SecureBytes& content = *opened;
        if (content.size() < kSignatureAt) {
            return Fail(ErrorCode::NotForThisKey);
        }
        const std::size_t signatureBytes =
            (std::size_t{content[kFingerprintBytes]} << 8) | content[kFingerprintBytes + 1];
        if (signatureBytes < kMinSignatureBytes || signatureBytes > kMaxSignatureBytes ||
            content.size() - kSignatureAt < signatureBytes) {
            return Fail(ErrorCode::NotForThisKey);
        }
        DecryptedMessage result;
        result.signer.emplace();
        std::copy_n(content.begin(), kFingerprintBytes, result.signer->begin());
        const std::size_t messageAt = kSignatureAt + signatureBytes;
        const auto message = std::span<const std::uint8_t>(content).subspan(messageAt);
        const auto signature =
            std::span<const std::uint8_t>(content).subspan(kSignatureAt, signatureBytes);

        if (sender == nullptr) {
            result.signature = SignatureState::NoSenderKey;
        } else {
            const auto senderPrint = KeyFingerprint(*sender);
            const auto ownPrint = KeyFingerprint(own);
            if (!senderPrint || !ownPrint) {
                return Fail(ErrorCode::Internal);
            }
            if (*senderPrint != *result.signer) {
                // Not checked: a signature by a key the reader has not named
                // tells nothing about who wrote it.
                result.signature = SignatureState::OtherSigner;
            } else if (signatureBytes != sender->ModulusBytes()) {
                result.signature = SignatureState::BadSignature;
            } else {
                const Check check = Verify(*sender, *ownPrint, *result.signer, message, signature);
                if (check == Check::Broken) {
                    return Fail(ErrorCode::Internal);
                }
                result.signature =
                    check == Check::Good ? SignatureState::Verified : SignatureState::BadSignature;
                ERR_clear_error();
            }
        }
        // The message moves to the front of the same wiping buffer; no
        // second copy of it is made.
        content.erase(content.begin(), content.begin() + static_cast<std::ptrdiff_t>(messageAt));
        result.text = std::move(content);
        return result;
    });
}

}  // namespace zelvora
