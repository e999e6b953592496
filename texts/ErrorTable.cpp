#include "texts/ErrorTable.h"

#include <algorithm>
#include <array>
#include <cerrno>

namespace zelvora {
namespace {

using Row = ErrorRow;

// The one place where error texts live. Each tells the user what went wrong
// and, where the user can do something about it, what to do.
constexpr std::array kRows{
    Row{ErrorCode::Internal,
        ErrorCategory::Failure,
        {},
        "The encryption component could not complete an internal step, for example because "
        "memory or random numbers ran out. Close other programs and try again."},
    Row{ErrorCode::PrivateKeyEmpty, ErrorCategory::Key, "Empty file",
        "The private key file holds no key. Choose your private key file."},
    Row{ErrorCode::PrivateKeyMalformed,
        ErrorCategory::Key,
        {},
        "The private key file does not hold a readable private key; it may be damaged or "
        "cut short. Choose your private key file as the key pair generator wrote it."},
    Row{ErrorCode::PrivateKeyNotRsa, ErrorCategory::Key, "Not a key Zelvora uses (RSA or Ed25519)",
        "The private key file holds a key of a kind Zelvora does not use (it uses RSA and "
        "Ed25519 keys). Choose your private key file as the key pair generator wrote it."},
    Row{ErrorCode::PrivateKeySize, ErrorCategory::Key, "Key size not supported",
        "The private key is shorter than 2048 bits or longer than 16384 bits. Choose the "
        "private key file of a key pair from 2048 to 16384 bits."},
    Row{ErrorCode::PrivateKeyIsPublic, ErrorCategory::Key, "A public key, not private",
        "The file chosen as your private key holds a public key. Choose your own private key "
        "file, not a public key file."},
    Row{ErrorCode::PublicKeyEmpty,
        ErrorCategory::Key,
        "Empty file",
        "The public key file holds no key. Choose the recipient's public key file.",
        {},
        "The public key file holds no key. Choose the public key file of the person you "
        "expect the message from.",
        "The public key file holds no key. Name with --from the public key file of the "
        "person you expect the message from."},
    Row{ErrorCode::PublicKeyMalformed,
        ErrorCategory::Key,
        {},
        "The public key file does not hold a readable public key; it may be damaged or cut "
        "short. Choose the recipient's public key file as the key pair generator wrote it.",
        {},
        "The public key file does not hold a readable public key; it may be damaged or cut "
        "short. Choose the public key file of the person you expect the message from, as the "
        "key pair generator wrote it.",
        "The public key file does not hold a readable public key; it may be damaged or "
        "cut short. Name with --from the public key file of the person you expect the "
        "message from, as the key pair generator wrote it."},
    Row{ErrorCode::PublicKeyNotRsa,
        ErrorCategory::Key,
        "Not a key Zelvora uses (RSA or Ed25519)",
        "The public key file holds a key of a kind Zelvora does not use (it uses RSA and "
        "Ed25519 keys). Choose the recipient's public key file.",
        {},
        "The public key file holds a key of a kind Zelvora does not use (it uses RSA and "
        "Ed25519 keys). Choose the public key file of the person you expect the message "
        "from.",
        "The public key file holds a key of a kind Zelvora does not use (it uses RSA and "
        "Ed25519 keys). Name with --from the public key file of the person you expect the "
        "message from."},
    Row{ErrorCode::PublicKeySize, ErrorCategory::Key, "Key size not supported",
        "The public key is shorter than 2048 bits or longer than 16384 bits. Choose the "
        "public key file of a key pair from 2048 to 16384 bits."},
    Row{ErrorCode::PublicKeyIsPrivate,
        ErrorCategory::Key,
        "A private key, not public",
        "The file chosen as the recipient's public key holds a private key. Choose the "
        "recipient's public key file; a private key file belongs to its owner alone.",
        {},
        "The file chosen as the expected writer's public key holds a private key. Choose the "
        "public key file of the person you expect the message from; a private key file "
        "belongs to its owner alone.",
        "The file named with --from holds a private key. Name the public key file of the "
        "person you expect the message from; a private key file belongs to its owner alone."},
    Row{ErrorCode::NoMethodGiven,
        ErrorCategory::Failure,
        {},
        "No keys were handed to the encryption engine. Choose your private key file and the "
        "recipient's public key file."},
    Row{ErrorCode::NoMethodForEncrypt,
        ErrorCategory::Failure,
        {},
        "No keys are attached for encrypting. Choose the recipient's public key file."},
    Row{ErrorCode::NoMethodForDecrypt,
        ErrorCategory::Failure,
        {},
        "No keys are attached for decrypting. Choose your private key file."},
    Row{ErrorCode::NoPublicKey,
        ErrorCategory::Failure,
        {},
        "There is no public key to encrypt with. Choose the recipient's public key file."},
    Row{ErrorCode::NoPrivateKey,
        ErrorCategory::Failure,
        {},
        "There is no private key to decrypt with. Choose your private key file."},
    Row{ErrorCode::NotLastBlock,
        ErrorCategory::Failure,
        {},
        "A message can only be encrypted or decrypted in one piece, but only a part of it "
        "was passed."},
    Row{ErrorCode::MessageTooLong,
        ErrorCategory::Failure,
        {},
        "The message is too long to be encrypted in one piece. Shorten the message."},
    Row{ErrorCode::CiphertextEmpty,
        ErrorCategory::Damaged,
        {},
        "There is no encrypted message to decrypt. Copy the whole encrypted text to the "
        "clipboard first.",
        "There is no encrypted message to decrypt. Give the whole encrypted text as FILE or "
        "on standard input."},
    Row{ErrorCode::CiphertextVersion,
        ErrorCategory::Damaged,
        {},
        "The text is not an encrypted message in a format Zelvora can read. Copy the whole "
        "encrypted text to the clipboard and try again.",
        "The text is not an encrypted message in a format Zelvora can read. Give the whole "
        "encrypted text and try again."},
    Row{ErrorCode::CiphertextTooShort,
        ErrorCategory::Damaged,
        {},
        "The encrypted message is shorter than any message encrypted for this private key; "
        "it may have been cut short. Copy the whole encrypted text to the clipboard and try "
        "again.",
        "The encrypted message is shorter than any message encrypted for this private key; "
        "it may have been cut short. Give the whole encrypted text and try again."},
    Row{ErrorCode::NotForThisKey,
        ErrorCategory::Damaged,
        {},
        "The message was not encrypted for this private key, or it was damaged or changed on "
        "the way."},
    Row{ErrorCode::TooManyRecipients,
        ErrorCategory::Usage,
        {},
        "A message can be encrypted for at most 64 different keys. Name fewer recipients."},
    Row{ErrorCode::KeySizeOutOfRange,
        ErrorCategory::Failure,
        {},
        "The key size must be from 2048 to 16384 bits."},
    Row{ErrorCode::KeyGenerationFailed,
        ErrorCategory::Failure,
        {},
        "The key pair could not be generated, for example because memory or random "
        "numbers ran out. Close other programs and try again."},
    Row{ErrorCode::KeyEncodingFailed,
        ErrorCategory::Failure,
        {},
        "The new key pair could not be written out in the key file form. Close other "
        "programs and try again."},
    Row{ErrorCode::ClearNoDisplay,
        ErrorCategory::Failure,
        {},
        "No Wayland display could be reached to clear the clipboard."},
    Row{ErrorCode::ClearNotOffered,
        ErrorCategory::Failure,
        {},
        "The Wayland compositor offers no data-control protocol."},
    Row{ErrorCode::ClearNoAnswer,
        ErrorCategory::Failure,
        {},
        "The Wayland compositor did not answer, or did not confirm the clearing, in time."},
    Row{ErrorCode::ClearNotRun,
        ErrorCategory::Failure,
        {},
        "The wl-copy program could not be started to clear the clipboard."},
    Row{ErrorCode::ClearFailed,
        ErrorCategory::Failure,
        {},
        "The wl-copy program could not clear the clipboard, or not in time."},
    Row{ErrorCode::ClearCutShort,
        ErrorCategory::Failure,
        {},
        "Zelvora was told to stop and ended before the clipboard was cleared: the clipboard, "
        "and a selection Zelvora owned, may still hold their text."},
    Row{ErrorCode::KeyFileNotRegular, ErrorCategory::Key, "Not a plain file",
        "Not a regular file: a key file is read only from a plain file, never from a pipe or "
        "a device."},
    // Both read with the file's mode or owner where the report knows them.
    Row{ErrorCode::PrivateKeyFileOpen, ErrorCategory::Key, "File others can read",
        "The permissions are too open: others must not be able to read or change a private "
        "key file. Run chmod 600 on it."},
    Row{ErrorCode::PrivateKeyFileForeign, ErrorCategory::Key, "Another user's file",
        "The private key file belongs to another user: only your own may be used. Copy it to "
        "a file of yours and run chmod 600 on that."},
    Row{ErrorCode::PassphraseWrong, ErrorCategory::Key, {}, "The passphrase is wrong."},
    Row{ErrorCode::UnlockTooCostly,
        ErrorCategory::Key,
        {},
        "The passphrase was not tried: the key file asks for more work to unlock than Zelvora "
        "allows."},
    Row{ErrorCode::KeyProtectionUnsupported,
        ErrorCategory::Key,
        {},
        "The private key file is protected in a way Zelvora does not read. Zelvora reads "
        "private keys protected with PBES2, scrypt and AES-256-CBC."},
    Row{ErrorCode::NoTerminalForPassphrase,
        ErrorCategory::Key,
        {},
        "The private key file is protected by a passphrase, and there is no terminal to ask "
        "for it on.",
        "The private key file is protected by a passphrase, and there is no terminal to ask "
        "for it on. Give it with --passphrase-file or --passphrase-fd."},
    Row{ErrorCode::PassphraseTooLong,
        ErrorCategory::Key,
        {},
        "The passphrase is longer than 1024 bytes, the most Zelvora reads. Give a shorter "
        "one."},
    Row{ErrorCode::PrivateKeyEncrypted, ErrorCategory::Key, "Protected by a passphrase",
        "The private key file is protected by a passphrase, and there was no way to ask for "
        "it here.",
        // Met by zelvora-keygen --fingerprint, which does not unlock keys.
        "The private key file is protected by a passphrase, and is not unlocked here. The "
        "public key file of the pair (.pkey) shows the same fingerprint."},
    Row{ErrorCode::PassphraseCancelled, ErrorCategory::Key, "Protected by a passphrase",
        "No passphrase was given, so the private key file stays locked."},
};

static_assert(kRows.size() == 42, "every error code has its row");

// A key file the system would not give us, in the path box's words. Any
// other system error there is an unreadable file.
struct SystemWord {
    int errnoValue;
    std::string_view word;
};

constexpr std::array kSystemWords{
    SystemWord{ENOENT, "No key file"},
    SystemWord{ENOTDIR, "No key file"},
    SystemWord{EISDIR, "A folder, not a key file"},
    // Larger than any key file can be.
    SystemWord{EFBIG, "Not a key"},
};

}  // namespace

const ErrorRow& ErrorRowOf(const Error& error) {
    const auto* row = std::find_if(kRows.begin(), kRows.end(), [&error](const Row& r) {
        return ErrorNumber(r.code) == error.number;
    });
    return row == kRows.end() ? kRows.front() : *row;
}

ErrorCategory CategoryOf(const Error& error) {
    return IsSystemError(error) ? ErrorCategory::Failure : ErrorRowOf(error).category;
}

std::string_view PathBoxWord(const Error& error) {
    if (IsSystemError(error)) {
        const auto* found =
            std::find_if(kSystemWords.begin(), kSystemWords.end(),
                         [&error](const SystemWord& s) { return s.errnoValue == error.number; });
        return found == kSystemWords.end() ? "File not readable" : found->word;
    }
    const std::string_view word = ErrorRowOf(error).pathBoxWord;
    return word.empty() ? "Not a key" : word;
}

}  // namespace zelvora
