#pragma once

#include "base/Error.h"

#include <cstdint>
#include <expected>
#include <span>

namespace zelvora {

// Every number an Error carries, in one scheme:
//
//   0x00000001 .. 0x0000FFFF   a system error: the errno value the system gave
//                              (a key file that cannot be opened, a full disk)
//   0x80047001 .. 0x800470FF   the encryption component and the keys it reads
//   0x80047101 .. 0x800471FF   key pair generation
//   0x80047201 .. 0x800472FF   clearing the clipboard without the focus
//   0x80047301 .. 0x800473FF   key files that are not read
//
// The numbers are part of what users see and quote, so they never change once
// released: new errors take the next free number, retired ones leave a gap.
enum class ErrorCode : std::uint32_t {
    Internal = 0x80047001,
    PrivateKeyEmpty = 0x80047002,
    PrivateKeyMalformed = 0x80047003,
    PrivateKeyNotRsa = 0x80047004,
    PrivateKeySize = 0x80047005,
    PrivateKeyIsPublic = 0x80047006,
    PublicKeyEmpty = 0x80047007,
    PublicKeyMalformed = 0x80047008,
    PublicKeyNotRsa = 0x80047009,
    PublicKeySize = 0x8004700A,
    PublicKeyIsPrivate = 0x8004700B,
    NoMethodGiven = 0x8004700C,
    NoMethodForEncrypt = 0x8004700D,
    NoMethodForDecrypt = 0x8004700E,
    NoPublicKey = 0x8004700F,
    NoPrivateKey = 0x80047010,
    NotLastBlock = 0x80047011,
    MessageTooLong = 0x80047012,
    CiphertextEmpty = 0x80047013,
    CiphertextVersion = 0x80047014,
    CiphertextTooShort = 0x80047015,
    NotForThisKey = 0x80047016,
    TooManyRecipients = 0x80047017,

    KeySizeOutOfRange = 0x80047101,
    KeyGenerationFailed = 0x80047102,
    KeyEncodingFailed = 0x80047103,

    ClearNoDisplay = 0x80047201,
    ClearNotOffered = 0x80047202,
    ClearNoAnswer = 0x80047203,
    ClearNotRun = 0x80047204,
    ClearFailed = 0x80047205,
    // A stop signal's time ran out before the clearing finished.
    ClearCutShort = 0x80047206,

    KeyFileNotRegular = 0x80047301,
    // The detail is the file's permission bits.
    PrivateKeyFileOpen = 0x80047302,
    // The detail is the owner's user id.
    PrivateKeyFileForeign = 0x80047303,
    // A passphrase-protected private key file: the passphrase does not open it.
    PassphraseWrong = 0x80047304,
    // Its scrypt parameters ask for more time or memory than the cap allows;
    // nothing was tried.
    UnlockTooCostly = 0x80047305,
    // Protected, but not with PBES2, scrypt and AES-256-CBC.
    KeyProtectionUnsupported = 0x80047306,
    // A passphrase is needed and there is no terminal to ask on.
    NoTerminalForPassphrase = 0x80047307,
    PassphraseTooLong = 0x80047308,
    // A PKCS#8 EncryptedPrivateKeyInfo (RFC 5958, section 3) where no
    // passphrase can be asked for.
    PrivateKeyEncrypted = 0x80047309,
    // The user was asked for a passphrase and declined to give one.
    PassphraseCancelled = 0x8004730A,
};

// The number as Error carries it (negative, since the top bit is set).
// Unsigned to signed is a plain two's complement conversion since C++20.
constexpr std::int32_t ErrorNumber(ErrorCode code) {
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(code));
}
Error MakeError(ErrorCode code);
// An errno value; 0 and values outside the system range become Internal.
Error SystemError(int errnoValue);
bool IsSystemError(const Error& error);
// Every code above, in number order.
std::span<const ErrorCode> AllErrorCodes();

// Runs `body` and turns any exception into the internal error, so that none
// leaves the component. Only allocation failures can throw in practice.
template <class Body>
auto WithoutExceptions(Body&& body) -> decltype(body()) {
    try {
        return body();
    } catch (...) {
        return std::unexpected(MakeError(ErrorCode::Internal));
    }
}

}  // namespace zelvora
