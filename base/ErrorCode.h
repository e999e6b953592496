#pragma once

#include "base/Error.h"

#include <cstdint>
#include <expected>
#include <span>

namespace zelvora {

// Every failure the encryption component reports. The numbers are part of
// what users see and quote, so they never change once released: new errors
// take the next free number, retired ones leave a gap.
enum class CryptoError : std::uint32_t {
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
};

// The number as Error carries it (negative, since the top bit is set).
std::int32_t CryptoErrorNumber(CryptoError error);
Error MakeCryptoError(CryptoError error);
// Every error in the table, in number order.
std::span<const CryptoError> AllCryptoErrors();

// Runs `body` and turns any exception into the internal error, so that none
// leaves the component. Only allocation failures can throw in practice.
template <class Body>
auto WithoutExceptions(Body&& body) -> decltype(body()) {
    try {
        return body();
    } catch (...) {
        return std::unexpected(MakeCryptoError(CryptoError::Internal));
    }
}

}  // namespace zelvora
