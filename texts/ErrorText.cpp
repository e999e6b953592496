#include "base/ErrorCode.h"

#include <algorithm>
#include <array>
#include <string_view>

namespace zelvora {
namespace {

struct Entry {
    CryptoError error;
    std::string_view description;
};

// The one place where error texts live. Each tells the user what went wrong
// and, where the user can do something about it, what to do.
constexpr std::array kTable{
    Entry{CryptoError::Internal,
          "The encryption component could not complete an internal step, for example because "
          "memory or random numbers ran out. Close other programs and try again."},
    Entry{CryptoError::PrivateKeyEmpty,
          "The private key file holds no key. Choose your private key file."},
    Entry{CryptoError::PrivateKeyMalformed,
          "The private key file does not hold a readable RSA private key; it may be damaged or "
          "cut short. Choose your private key file as the key pair generator wrote it."},
    Entry{CryptoError::PrivateKeyNotRsa,
          "The private key file holds a key of another kind than RSA. Choose your RSA private "
          "key file."},
    Entry{CryptoError::PrivateKeySize,
          "The private key is shorter than 2048 bits or longer than 16384 bits. Choose the "
          "private key file of a key pair from 2048 to 16384 bits."},
    Entry{CryptoError::PrivateKeyIsPublic,
          "The file chosen as your private key holds a public key. Choose your own private key "
          "file, not a public key file."},
    Entry{CryptoError::PublicKeyEmpty,
          "The public key file holds no key. Choose the recipient's public key file."},
    Entry{CryptoError::PublicKeyMalformed,
          "The public key file does not hold a readable RSA public key; it may be damaged or cut "
          "short. Choose the recipient's public key file as the key pair generator wrote it."},
    Entry{CryptoError::PublicKeyNotRsa,
          "The public key file holds a key of another kind than RSA. Choose the recipient's RSA "
          "public key file."},
    Entry{CryptoError::PublicKeySize,
          "The public key is shorter than 2048 bits or longer than 16384 bits. Choose the "
          "public key file of a key pair from 2048 to 16384 bits."},
    Entry{CryptoError::PublicKeyIsPrivate,
          "The file chosen as the recipient's public key holds a private key. Choose the "
          "recipient's public key file; a private key file belongs to its owner alone."},
    Entry{CryptoError::NoMethodGiven,
          "No keys were handed to the encryption engine. Choose your private key file and the "
          "recipient's public key file."},
    Entry{CryptoError::NoMethodForEncrypt,
          "No keys are attached for encrypting. Choose the recipient's public key file."},
    Entry{CryptoError::NoMethodForDecrypt,
          "No keys are attached for decrypting. Choose your private key file."},
    Entry{CryptoError::NoPublicKey,
          "There is no public key to encrypt with. Choose the recipient's public key file."},
    Entry{CryptoError::NoPrivateKey,
          "There is no private key to decrypt with. Choose your private key file."},
    Entry{CryptoError::NotLastBlock,
          "A message can only be encrypted or decrypted in one piece, but only a part of it "
          "was passed."},
    Entry{CryptoError::MessageTooLong,
          "The message is too long to be encrypted in one piece. Shorten the message."},
    Entry{CryptoError::CiphertextEmpty,
          "There is no encrypted message to decrypt. Copy the whole encrypted text to the "
          "clipboard first."},
    Entry{CryptoError::CiphertextVersion,
          "The text is not an encrypted message in a format Zelvora can read. Copy the whole "
          "encrypted text to the clipboard and try again."},
    Entry{CryptoError::CiphertextTooShort,
          "The encrypted message is shorter than any message encrypted for this private key; "
          "it may have been cut short. Copy the whole encrypted text to the clipboard and try "
          "again."},
    Entry{CryptoError::NotForThisKey,
          "The message was not encrypted for this private key, or it was damaged or changed on "
          "the way."},
};

constexpr std::array<CryptoError, kTable.size()> MakeErrorList() {
    std::array<CryptoError, kTable.size()> list{};
    for (std::size_t i = 0; i < kTable.size(); ++i) {
        list[i] = kTable[i].error;
    }
    return list;
}
constexpr auto kErrors = MakeErrorList();

}  // namespace

std::int32_t CryptoErrorNumber(CryptoError error) {
    // Unsigned to signed is a plain two's complement conversion since C++20.
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(error));
}

Error MakeCryptoError(CryptoError error) {
    const auto* entry = std::find_if(kTable.begin(), kTable.end(),
                                     [error](const Entry& e) { return e.error == error; });
    // Every enumerator has a row; a missing one would still give a usable report.
    const std::string_view description =
        entry != kTable.end() ? entry->description : kTable.front().description;
    return Error{CryptoErrorNumber(error), std::string(description)};
}

std::span<const CryptoError> AllCryptoErrors() {
    return kErrors;
}

}  // namespace zelvora
