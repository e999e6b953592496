#include "crypto/EncryptionEngine.h"

#include "base/ErrorCode.h"
#include "crypto/CiphertextFormat.h"
#include "crypto/FormatV3.h"
#include "keys/AnyKey.h"
#include "keys/Fingerprint.h"

#include <openssl/err.h>

#include <utility>

namespace zelvora {
namespace {

std::unexpected<Error> Fail(ErrorCode error) {
    // OpenSSL queues a reason for every failure; drop them so the queue does
    // not grow with each refused message.
    ERR_clear_error();
    return std::unexpected(MakeError(error));
}

}  // namespace

std::expected<std::unique_ptr<EncryptionEngine>, Error> EncryptionEngine::Create() {
    return WithoutExceptions([]() -> std::expected<std::unique_ptr<EncryptionEngine>, Error> {
        if (!WritingFormat().AvailableHere()) {
            return Fail(ErrorCode::Internal);
        }
        return std::unique_ptr<EncryptionEngine>(new EncryptionEngine());
    });
}

EncryptionEngine::~EncryptionEngine() = default;

std::expected<void, Error> EncryptionEngine::AttachMethod(std::shared_ptr<RsaMethod> method) {
    // Refusing a null method also drops the one attached before, for the
    // same reason a refused key blob drops the earlier key.
    method_ = std::move(method);
    if (!method_) {
        return Fail(ErrorCode::NoMethodGiven);
    }
    return {};
}

std::expected<Bytes, Error> EncryptionEngine::EncryptBytes(std::span<const std::uint8_t> source,
                                                           bool last) {
    if (!last) {
        return Fail(ErrorCode::NotLastBlock);
    }
    if (!method_) {
        return Fail(ErrorCode::NoMethodForEncrypt);
    }
    const AnyKey* key = method_->PublicKey();
    if (key == nullptr) {
        return Fail(ErrorCode::NoPublicKey);
    }
    // With the user's own private key named, the message is signed with it
    // and also wrapped for its public half, so the writer can read later
    // what they sent. Named twice (a message to oneself), it is wrapped once.
    // The two keys may be of different kinds.
    const AnyKey* const own = method_->PrivateKey();
    const AnyKey* const recipients[] = {key, own};
    return FormatV3::Instance().EncryptTo(recipients, own, source);
}

std::expected<SecureBytes, Error> EncryptionEngine::DecryptBytes(
    std::span<const std::uint8_t> source, bool last) {
    auto message = DecryptMessage(source, last);
    if (!message) {
        return std::unexpected(std::move(message.error()));
    }
    return std::move(message->text);
}

std::expected<DecryptedMessage, Error> EncryptionEngine::DecryptMessage(
    std::span<const std::uint8_t> source, bool last) {
    if (!last) {
        return Fail(ErrorCode::NotLastBlock);
    }
    if (!method_) {
        return Fail(ErrorCode::NoMethodForDecrypt);
    }
    const AnyKey* key = method_->PrivateKey();
    if (key == nullptr) {
        return Fail(ErrorCode::NoPrivateKey);
    }
    if (source.empty()) {
        return Fail(ErrorCode::CiphertextEmpty);
    }
    // The first byte chooses the format; each checks the rest itself.
    const CiphertextFormat* format = FormatForVersion(source[0]);
    if (format == nullptr) {
        return Fail(ErrorCode::CiphertextVersion);
    }
    const AnyKey* const sender = method_->PublicKey();
    if (format == &FormatV3::Instance()) {
        return FormatV3::Instance().Decrypt(*key, sender, source);
    }
    // Versions 1 and 2 know RSA keys only: nothing in them was written for
    // an Ed25519 key.
    if (key->Rsa() == nullptr) {
        return Fail(ErrorCode::NotForThisKey);
    }
    const RsaKey* const rsaSender = sender != nullptr ? sender->Rsa() : nullptr;
    auto message = format->Decrypt(*key->Rsa(), rsaSender, source);
    if (!message || sender == nullptr || rsaSender != nullptr || !message->signer) {
        return message;
    }
    // An Ed25519 key named as the writer of a version 2 message: it cannot
    // have signed it, and the reader must hear that, not that no key was
    // named. As in version 3, a fingerprint that differs is another signer,
    // and a key of the wrong kind with the same fingerprint a bad signature.
    const auto senderPrint = KeyFingerprint(*sender);
    if (!senderPrint) {
        return std::unexpected(senderPrint.error());
    }
    message->signature = *senderPrint != *message->signer ? SignatureState::OtherSigner
                                                          : SignatureState::BadSignature;
    return message;
}

}  // namespace zelvora
