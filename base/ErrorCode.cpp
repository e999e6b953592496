#include "base/ErrorCode.h"

#include <array>

namespace zelvora {
namespace {

using enum ErrorCode;

constexpr std::array kAllCodes{
    Internal,           PrivateKeyEmpty,    PrivateKeyMalformed,
    PrivateKeyNotRsa,   PrivateKeySize,     PrivateKeyIsPublic,
    PublicKeyEmpty,     PublicKeyMalformed, PublicKeyNotRsa,
    PublicKeySize,      PublicKeyIsPrivate, NoMethodGiven,
    NoMethodForEncrypt, NoMethodForDecrypt, NoPublicKey,
    NoPrivateKey,       NotLastBlock,       MessageTooLong,
    CiphertextEmpty,    CiphertextVersion,  CiphertextTooShort,
    NotForThisKey,      TooManyRecipients,  KeySizeOutOfRange,  KeyGenerationFailed,
    KeyEncodingFailed,  ClearNoDisplay,     ClearNotOffered,
    ClearNoAnswer,      ClearNotRun,        ClearFailed,
    KeyFileNotRegular,  PrivateKeyFileOpen, PrivateKeyFileForeign,
    PassphraseWrong,    UnlockTooCostly,    KeyProtectionUnsupported,
    NoTerminalForPassphrase,
    PassphraseTooLong,
    ClearCutShort,
    PrivateKeyEncrypted,
    PassphraseCancelled,
};

constexpr std::int32_t kLargestSystemError = 0xFFFF;

}  // namespace

Error MakeError(ErrorCode code) {
    return Error{ErrorNumber(code)};
}

Error SystemError(int errnoValue) {
    if (errnoValue <= 0 || errnoValue > kLargestSystemError) {
        return MakeError(Internal);
    }
    return Error{errnoValue};
}

bool IsSystemError(const Error& error) {
    return error.number > 0 && error.number <= kLargestSystemError;
}

std::span<const ErrorCode> AllErrorCodes() {
    return kAllCodes;
}

}  // namespace zelvora
