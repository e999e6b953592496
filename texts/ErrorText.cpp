#include "texts/ErrorText.h"

#include "base/ErrorCode.h"
#include "platform/SystemError.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <array>
#include <string_view>

namespace zelvora {
namespace {

struct Entry {
    ErrorCode code;
    std::string_view description;
    // Where the window's advice names the clipboard, the command line's own;
    // empty where one text serves both.
    std::string_view commandLine = {};
    // Where the advice names the recipient, the words for reading, when the
    // public key box names the person the message is expected from.
    std::string_view expectedWriter = {};
};

// The one place where error texts live. Each tells the user what went wrong
// and, where the user can do something about it, what to do.
constexpr std::array kTable{
    Entry{ErrorCode::Internal,
          "The encryption component could not complete an internal step, for example because "
          "memory or random numbers ran out. Close other programs and try again."},
    Entry{ErrorCode::PrivateKeyEmpty,
          "The private key file holds no key. Choose your private key file."},
    Entry{ErrorCode::PrivateKeyMalformed,
          "The private key file does not hold a readable private key; it may be damaged or "
          "cut short. Choose your private key file as the key pair generator wrote it."},
    Entry{ErrorCode::PrivateKeyNotRsa,
          "The private key file holds a key of a kind Zelvora does not use (it uses RSA and "
          "Ed25519 keys). Choose your private key file as the key pair generator wrote it."},
    Entry{ErrorCode::PrivateKeySize,
          "The private key is shorter than 2048 bits or longer than 16384 bits. Choose the "
          "private key file of a key pair from 2048 to 16384 bits."},
    Entry{ErrorCode::PrivateKeyIsPublic,
          "The file chosen as your private key holds a public key. Choose your own private key "
          "file, not a public key file."},
    Entry{ErrorCode::PublicKeyEmpty,
          "The public key file holds no key. Choose the recipient's public key file.",
          {},
          "The public key file holds no key. Choose the public key file of the person you "
          "expect the message from."},
    Entry{ErrorCode::PublicKeyMalformed,
          "The public key file does not hold a readable public key; it may be damaged or cut "
          "short. Choose the recipient's public key file as the key pair generator wrote it.",
          {},
          "The public key file does not hold a readable public key; it may be damaged or cut "
          "short. Choose the public key file of the person you expect the message from, as the "
          "key pair generator wrote it."},
    Entry{ErrorCode::PublicKeyNotRsa,
          "The public key file holds a key of a kind Zelvora does not use (it uses RSA and "
          "Ed25519 keys). Choose the recipient's public key file.",
          {},
          "The public key file holds a key of a kind Zelvora does not use (it uses RSA and "
          "Ed25519 keys). Choose the public key file of the person you expect the message "
          "from."},
    Entry{ErrorCode::PublicKeySize,
          "The public key is shorter than 2048 bits or longer than 16384 bits. Choose the "
          "public key file of a key pair from 2048 to 16384 bits."},
    Entry{ErrorCode::PublicKeyIsPrivate,
          "The file chosen as the recipient's public key holds a private key. Choose the "
          "recipient's public key file; a private key file belongs to its owner alone.",
          {},
          "The file chosen as the expected writer's public key holds a private key. Choose the "
          "public key file of the person you expect the message from; a private key file "
          "belongs to its owner alone."},
    Entry{ErrorCode::NoMethodGiven,
          "No keys were handed to the encryption engine. Choose your private key file and the "
          "recipient's public key file."},
    Entry{ErrorCode::NoMethodForEncrypt,
          "No keys are attached for encrypting. Choose the recipient's public key file."},
    Entry{ErrorCode::NoMethodForDecrypt,
          "No keys are attached for decrypting. Choose your private key file."},
    Entry{ErrorCode::NoPublicKey,
          "There is no public key to encrypt with. Choose the recipient's public key file."},
    Entry{ErrorCode::NoPrivateKey,
          "There is no private key to decrypt with. Choose your private key file."},
    Entry{ErrorCode::NotLastBlock,
          "A message can only be encrypted or decrypted in one piece, but only a part of it "
          "was passed."},
    Entry{ErrorCode::MessageTooLong,
          "The message is too long to be encrypted in one piece. Shorten the message."},
    Entry{ErrorCode::CiphertextEmpty,
          "There is no encrypted message to decrypt. Copy the whole encrypted text to the "
          "clipboard first.",
          "There is no encrypted message to decrypt. Give the whole encrypted text as FILE or "
          "on standard input."},
    Entry{ErrorCode::CiphertextVersion,
          "The text is not an encrypted message in a format Zelvora can read. Copy the whole "
          "encrypted text to the clipboard and try again.",
          "The text is not an encrypted message in a format Zelvora can read. Give the whole "
          "encrypted text and try again."},
    Entry{ErrorCode::CiphertextTooShort,
          "The encrypted message is shorter than any message encrypted for this private key; "
          "it may have been cut short. Copy the whole encrypted text to the clipboard and try "
          "again.",
          "The encrypted message is shorter than any message encrypted for this private key; "
          "it may have been cut short. Give the whole encrypted text and try again."},
    Entry{ErrorCode::NotForThisKey,
          "The message was not encrypted for this private key, or it was damaged or changed on "
          "the way."},
    Entry{ErrorCode::TooManyRecipients,
          "A message can be encrypted for at most 64 different keys. Name fewer recipients."},
    Entry{ErrorCode::KeySizeOutOfRange, "The key size must be from 2048 to 16384 bits."},
    Entry{ErrorCode::KeyGenerationFailed,
          "The key pair could not be generated, for example because memory or random "
          "numbers ran out. Close other programs and try again."},
    Entry{ErrorCode::KeyEncodingFailed,
          "The new key pair could not be written out in the key file form. Close other "
          "programs and try again."},
    Entry{ErrorCode::ClearNoDisplay, "No Wayland display could be reached to clear the clipboard."},
    Entry{ErrorCode::ClearNotOffered, "The Wayland compositor offers no data-control protocol."},
    Entry{ErrorCode::ClearNoAnswer,
          "The Wayland compositor did not answer, or did not confirm the clearing, in time."},
    Entry{ErrorCode::ClearNotRun,
          "The wl-copy program could not be started to clear the clipboard."},
    Entry{ErrorCode::ClearFailed,
          "The wl-copy program could not clear the clipboard, or not in time."},
    Entry{ErrorCode::ClearCutShort,
          "Zelvora was told to stop and ended before the clipboard was cleared: the clipboard, "
          "and a selection Zelvora owned, may still hold their text."},
    Entry{ErrorCode::KeyFileNotRegular,
          "Not a regular file: a key file is read only from a plain file, never from a pipe or "
          "a device."},
    // Both read with the file's mode or owner where the report knows them.
    Entry{ErrorCode::PrivateKeyFileOpen,
          "The permissions are too open: others must not be able to read or change a private "
          "key file. Run chmod 600 on it."},
    Entry{ErrorCode::PrivateKeyFileForeign,
          "The private key file belongs to another user: only your own may be used. Copy it to "
          "a file of yours and run chmod 600 on that."},
    Entry{ErrorCode::PassphraseWrong, "The passphrase is wrong."},
    Entry{ErrorCode::UnlockTooCostly,
          "The passphrase was not tried: the key file asks for more work to unlock than Zelvora "
          "allows."},
    Entry{ErrorCode::KeyProtectionUnsupported,
          "The private key file is protected in a way Zelvora does not read. Zelvora reads "
          "private keys protected with PBES2, scrypt and AES-256-CBC."},
    Entry{ErrorCode::NoTerminalForPassphrase,
          "The private key file is protected by a passphrase, and there is no terminal to ask "
          "for it on.",
          "The private key file is protected by a passphrase, and there is no terminal to ask "
          "for it on. Give it with --passphrase-file or --passphrase-fd."},
    Entry{ErrorCode::PassphraseTooLong,
          "The passphrase is longer than 1024 bytes, the most Zelvora reads. Give a shorter "
          "one."},
    Entry{ErrorCode::PrivateKeyEncrypted,
          "The private key file is protected by a passphrase, which this version cannot yet ask "
          "for."},
};

static_assert(kTable.size() == 41, "every error code has its text");

// The path as a shell takes it, quoted only when it has to be.
std::string ForShell(std::string_view path) {
    const bool plain = !path.empty() && std::all_of(path.begin(), path.end(), [](char c) {
        return std::isalnum(static_cast<unsigned char>(c)) ||
               std::string_view("_./+,:@%=-").find(c) != std::string_view::npos;
    });
    if (plain) {
        return std::string(path);
    }
    std::string quoted = "'";
    for (const char c : path) {
        quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    }
    return quoted + "'";
}

}  // namespace

std::string Describe(const Error& error, Surface surface, std::string_view file, KeyRole role) {
    // Key files refused for their mode or owner: the words ssh users know,
    // with the command that puts it right.
    if (error.number == ErrorNumber(ErrorCode::PrivateKeyFileOpen) && !file.empty()) {
        char mode[8];
        std::snprintf(mode, sizeof mode, "%04o", static_cast<unsigned>(error.detail));
        return std::string("Permissions ") + mode +
               " are too open: others must not be able to read or change a private key file. "
               "Run chmod 600 " +
               ForShell(file);
    }
    if (error.number == ErrorNumber(ErrorCode::PrivateKeyFileForeign)) {
        return "The private key file belongs to another user (uid " + std::to_string(error.detail) +
               "): only your own may be used. Copy it to a file of yours and run chmod 600 on "
               "that.";
    }
    return Describe(error, surface, role);
}

std::string Describe(const Error& error, Surface surface, KeyRole role) {
    if (IsSystemError(error)) {
        return SystemErrorText(error.number);
    }
    const auto* entry = std::find_if(kTable.begin(), kTable.end(), [&error](const Entry& e) {
        return ErrorNumber(e.code) == error.number;
    });
    // Every code has a row; a number from elsewhere still gives a usable report.
    if (entry == kTable.end()) {
        entry = kTable.begin();
    }
    if (role == KeyRole::ExpectedWriter && !entry->expectedWriter.empty()) {
        return std::string(entry->expectedWriter);
    }
    if (surface == Surface::CommandLine && !entry->commandLine.empty()) {
        return std::string(entry->commandLine);
    }
    return std::string(entry->description);
}

std::string FormatErrorNumber(std::int32_t number) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    auto value = static_cast<std::uint32_t>(number);
    std::string text;
    do {
        text.insert(text.begin(), kDigits[value & 0xF]);
        value >>= 4;
    } while (value != 0);
    return text;
}

std::string DescribeWithNumber(const Error& error, Surface surface, std::string_view file,
                               KeyRole role) {
    return Describe(error, surface, file, role) + " (" + FormatErrorNumber(error.number) + ")";
}

}  // namespace zelvora
