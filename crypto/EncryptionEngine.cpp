#include "crypto/EncryptionEngine.h"

#include "base/ErrorCode.h"
#include "crypto/CiphertextFormat.h"
#include "crypto/FormatV3.h"
#include "keys/RsaKey.h"

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
    const RsaKey* key = method_->PublicKey();
    if (key == nullptr) {
        return Fail(ErrorCode::NoPublicKey);
    }
    // With the user's own private key named, the message is signed with it
    // and also wrapped for its public half, so the writer can read later
    // what they sent. Named twice (a message to oneself), it is wrapped once.
    const RsaKey* const own = method_->PrivateKey();
    const RsaKey* const recipients[] = {key, own};
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
    const RsaKey* key = method_->PrivateKey();
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
    return format->Decrypt(*key, method_->PublicKey(), source);
}

}  // namespace zelvora
