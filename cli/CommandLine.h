#pragma once

#include <cstddef>
#include <expected>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace zelvora::cli {

// The most recipients one message takes, --to-self included.
inline constexpr std::size_t kMaxRecipients = 64;

enum class Command { Encrypt, Decrypt, Help, Version };

// What one run of zelvora-cli is asked to do.
struct Options {
    Command command = Command::Help;
    // --key for decrypt: the user's own private key file.
    std::string keyFile;
    // --to for encrypt: the recipients' public key files, 1 to 64, in order.
    std::vector<std::string> recipients;
    // --to-self for encrypt: a copy for the --sign key's public half too, so
    // the writer can read what was sent.
    bool toSelf = false;
    // FILE; no value reads standard input, as "-" does.
    std::optional<std::string> input;
    // --output; no value writes standard output. "-" writes it too, and
    // lets a decrypted binary message reach a terminal.
    std::optional<std::string> output;
    // --wrap: characters per line of the hex text; 0 for one line.
    std::size_t wrap = 0;
    // --sign for encrypt: the user's own private key file, to sign with.
    std::optional<std::string> signKey;
    // --from for decrypt: the public key file of the expected writer.
    std::optional<std::string> senderKey;
    // --require-signed for decrypt: only a message verified with --from's
    // key is written.
    bool requireSigned = false;
    // --passphrase-file, --passphrase-fd: where the passphrase of a
    // protected private key comes from instead of the terminal.
    std::optional<std::string> passphraseFile;
    std::optional<int> passphraseFd;
};

inline constexpr std::string_view kStandardStream = "-";

// The arguments after the program's name. A failure is the sentence that
// says what is wrong with them.
std::expected<Options, std::string> ParseCommandLine(std::span<const char* const> args);

}  // namespace zelvora::cli
