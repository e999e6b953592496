#include "cli/CommandLine.h"

#include <algorithm>
#include <charconv>
#include <string_view>

namespace zelvora::cli {
namespace {

using Failure = std::unexpected<std::string>;

std::string Quoted(std::string_view text) {
    return "'" + std::string(text) + "'";
}

// A wrap below two digits would split every byte; beyond a few thousand
// characters nobody needs it.
constexpr std::size_t kMinWrap = 2;
constexpr std::size_t kMaxWrap = 1 << 20;

std::expected<std::size_t, std::string> ParseWrap(std::string_view text) {
    std::size_t columns = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), columns);
    if (text.empty() || ec != std::errc{} || end != text.data() + text.size() ||
        (columns != 0 && (columns < kMinWrap || columns > kMaxWrap))) {
        return Failure("--wrap needs 0 (one line) or a whole number of columns from " +
                       std::to_string(kMinWrap) + " to " + std::to_string(kMaxWrap) + ", not " +
                       Quoted(text));
    }
    return columns;
}

}  // namespace

std::expected<Options, std::string> ParseCommandLine(std::span<const char* const> args) {
    if (args.empty()) {
        return Failure("missing command: encrypt or decrypt");
    }
    Options options;
    const std::string_view command = args[0];
    if (command == "-h" || command == "--help") {
        options.command = Command::Help;
        return options;
    }
    if (command == "--version") {
        options.command = Command::Version;
        return options;
    }
    if (command == "encrypt") {
        options.command = Command::Encrypt;
    } else if (command == "decrypt") {
        options.command = Command::Decrypt;
    } else {
        return Failure("unknown command " + Quoted(command) + ": encrypt or decrypt");
    }
    const bool encrypt = options.command == Command::Encrypt;
    const std::string_view keyOption = encrypt ? "--to" : "--key";

    bool haveKey = false;
    bool haveWrap = false;
    bool optionsEnded = false;
    for (std::size_t i = 1; i < args.size(); ++i) {
        const std::string_view arg = args[i];
        if (optionsEnded || !arg.starts_with('-') || arg == kStandardStream) {
            if (options.input) {
                return Failure("only one FILE is taken, but " + Quoted(arg) + " follows " +
                               Quoted(*options.input));
            }
            options.input = std::string(arg);
            continue;
        }
        if (arg == "--") {
            optionsEnded = true;
            continue;
        }
        if (arg == "-h" || arg == "--help") {
            options.command = Command::Help;
            return options;
        }
        if (!encrypt && arg == "--require-signed") {
            options.requireSigned = true;
            continue;
        }
        if (encrypt && arg == "--to-self") {
            options.toSelf = true;
            continue;
        }
        // "--name value" or "--name=value".
        const std::string_view name = arg.substr(0, arg.find('='));
        const std::string_view otherKeyOption = encrypt ? "--sign" : "--from";
        const bool known = name == keyOption || name == otherKeyOption || name == "--output" ||
                           name == "-o" || (encrypt && name == "--wrap") ||
                           name == "--passphrase-file" || name == "--passphrase-fd";
        if (!known) {
            return Failure("unknown option " + Quoted(name) + " for " + std::string(command));
        }
        std::string_view value;
        if (name.size() < arg.size()) {
            value = arg.substr(name.size() + 1);
        } else if (i + 1 < args.size()) {
            value = args[++i];
        } else {
            return Failure(std::string(name) + " needs a value");
        }
        if (name == keyOption && encrypt) {
            if (value.empty()) {
                return Failure("--to needs a key file");
            }
            options.recipients.emplace_back(value);
            haveKey = true;
        } else if (name == keyOption) {
            if (haveKey) {
                return Failure(std::string(keyOption) + " is given twice");
            }
            if (value.empty()) {
                return Failure(std::string(keyOption) + " needs a key file");
            }
            options.keyFile = std::string(value);
            haveKey = true;
        } else if (name == otherKeyOption) {
            std::optional<std::string>& file = encrypt ? options.signKey : options.senderKey;
            if (file) {
                return Failure(std::string(otherKeyOption) + " is given twice");
            }
            if (value.empty()) {
                return Failure(std::string(otherKeyOption) + " needs a key file");
            }
            file = std::string(value);
        } else if (name == "--passphrase-file" || name == "--passphrase-fd") {
            if (options.passphraseFile || options.passphraseFd) {
                return Failure(
                    "the passphrase comes from one of --passphrase-file and "
                    "--passphrase-fd, once");
            }
            if (name == "--passphrase-file") {
                if (value.empty()) {
                    return Failure("--passphrase-file needs a file");
                }
                options.passphraseFile = std::string(value);
            } else {
                int fd = -1;
                const auto [end, ec] =
                    std::from_chars(value.data(), value.data() + value.size(), fd);
                if (value.empty() || ec != std::errc{} || end != value.data() + value.size() ||
                    fd < 0) {
                    return Failure("--passphrase-fd needs a descriptor number, not " +
                                   Quoted(value));
                }
                options.passphraseFd = fd;
            }
        } else if (name == "--wrap") {
            if (haveWrap) {
                return Failure("--wrap is given twice");
            }
            auto wrap = ParseWrap(value);
            if (!wrap) {
                return Failure(wrap.error());
            }
            options.wrap = *wrap;
            haveWrap = true;
        } else {
            if (options.output) {
                return Failure("--output is given twice");
            }
            if (value.empty()) {
                return Failure("--output needs a file, or - for standard output");
            }
            options.output = std::string(value);
        }
    }
    if (!haveKey) {
        return Failure(std::string(command) + " needs " + std::string(keyOption) +
                       (encrypt ? " RECIPIENT.pkey" : " MY.skey"));
    }
    if (options.recipients.size() + (options.toSelf ? 1 : 0) > kMaxRecipients) {
        return Failure("a message takes at most " + std::to_string(kMaxRecipients) +
                       " recipients, --to-self included, not " +
                       std::to_string(options.recipients.size() + (options.toSelf ? 1 : 0)));
    }
    if (options.toSelf && !options.signKey) {
        // The writer's copy is for the key that signs; without one there is
        // no key of the writer's to make it for.
        return Failure("--to-self needs --sign MY.skey");
    }
    if (options.requireSigned && !options.senderKey) {
        // Without the writer's key no signature can be checked, and the
        // option could only ever refuse.
        return Failure("--require-signed needs --from SENDER.pkey");
    }
    if (options.input == kStandardStream) {
        options.input.reset();
    }
    const std::string_view publicOption = encrypt ? "--to" : "--from";
    const auto fromStandardInput =
        encrypt ? std::ranges::count(options.recipients, kStandardStream)
                : static_cast<std::ptrdiff_t>(options.senderKey == kStandardStream);
    if (fromStandardInput > 1) {
        return Failure("--to - is given twice: standard input holds one key");
    }
    if (fromStandardInput == 1 && !options.input) {
        return Failure(std::string(publicOption) +
                       " - reads the key from standard input, so the message must come from FILE");
    }
    return options;
}

}  // namespace zelvora::cli
