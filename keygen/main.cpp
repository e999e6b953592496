// SPDX-License-Identifier: Apache-2.0
// zelvora-keygen: makes the key pair whose two halves Zelvora reads from a
// private (.skey) and a public (.pkey) key file.

#include "base/ErrorCode.h"
#include "crypto/CryptoLibrary.h"
#include "keys/KeyFileDescription.h"
#include "keys/KeyFile.h"
#include "keys/KeyPairGenerator.h"
#include "keys/Passphrase.h"
#include "keys/ProtectedKey.h"
#include "platform/ProcessHardening.h"
#include "texts/ErrorReport.h"
#include "texts/ErrorText.h"
#include "texts/Version.h"
#include "workflow/KeyLoading.h"
#include "workflow/KeyPairWorkflow.h"

#include <cerrno>
#include <charconv>
#include <expected>
#include <filesystem>
#include <iostream>
#include <optional>
#include <algorithm>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace {

namespace fs = std::filesystem;
using zelvora::KeyFileKind;
using zelvora::KeyPairGenerator;

constexpr std::string_view kProgram = "zelvora-keygen";

// Exit statuses: 2 for a command line we do not understand, so scripts can
// tell it from a failure to generate or to write.
constexpr int kExitOk = 0;
constexpr int kExitFailure = 1;
constexpr int kExitUsage = 2;

// What protects the private key files made here. A build for the tests
// alone may make them cheaper to unlock; users cannot choose.
#ifdef ZELVORA_KEYGEN_TEST_PROTECTION
constexpr zelvora::ScryptParameters kProtection{std::uint64_t{1} << 10, 8, 1};
#else
constexpr zelvora::ScryptParameters kProtection = zelvora::kProductionScrypt;
#endif

constexpr std::string_view kNoTerminal =
    "a passphrase is asked on the terminal, and there is none; give one with "
    "--passphrase-file FILE, or make a key without one with --no-passphrase";

constexpr std::string_view kPassphraseAdvice =
    "The passphrase protects the private key file: whoever copies the file needs it too.\n"
    "Choose several words that you remember and others cannot guess; it takes about\n"
    "0.7 s to unlock the key with it. An empty passphrase means none.\n"
    "Passphrase: ";

constexpr std::string_view kUsage =
    "Usage: zelvora-keygen [--type rsa|ed25519] [--bits N] [--no-passphrase | --passphrase-file FILE] NAME\n"
    "       zelvora-keygen --change-passphrase KEYFILE [--passphrase-file FILE]\n"
    "                      [--no-passphrase | --new-passphrase-file FILE]\n"
    "       zelvora-keygen --fingerprint FILE...\n"
    "\n"
    "Makes a new key pair for Zelvora and writes it to two key files:\n"
    "  NAME.skey   the private key: keep it to yourself\n"
    "  NAME.pkey   the public key: give it to the people who send you messages\n"
    "(a NAME that ends in .skey or .pkey stands for the pair)\n"
    "\n"
    "and prints their fingerprint. With --fingerprint, prints for each key file\n"
    "its fingerprint, key size and kind, to compare with the key's owner before\n"
    "you trust it.\n"
    "\n"
    "The private key file is protected by a passphrase, asked twice on the\n"
    "terminal; an empty one, once confirmed, means none. With --change-passphrase,\n"
    "adds, changes or removes the passphrase of KEYFILE, keeping its mode.\n"
    "\n"
    "Options:\n"
    "  --type T    the kind of key: rsa (the default) or ed25519, whose messages\n"
    "              are a quarter as long and whose keys are made at once\n"
    "  --bits N    RSA key size in bits, from 2048 to 16384 (default 3072)\n"
    "  --no-passphrase\n"
    "              write the private key without a passphrase (unattended use)\n"
    "  --passphrase-file FILE\n"
    "              the passphrase is the first line of FILE (with\n"
    "              --change-passphrase: the current one)\n"
    "  --change-passphrase KEYFILE\n"
    "              change the passphrase of the private key file KEYFILE\n"
    "  --new-passphrase-file FILE\n"
    "              with --change-passphrase: the new passphrase is the first\n"
    "              line of FILE\n"
    "  --fingerprint\n"
    "              show the fingerprints of the key files FILE... instead\n"
    "  -h, --help  show this help and exit\n"
    "  --version   show the version and exit\n"
    "  --          end of options; use it before a NAME that starts with '-'\n"
    "\n"
    "Existing files are never overwritten.\n";

struct Options {
    zelvora::KeyKind kind = zelvora::KeyKind::Rsa;
    bool typeGiven = false;
    int bits = KeyPairGenerator::kDefaultBits;
    bool bitsGiven = false;
    std::string name;
    // With --fingerprint, the key files to describe instead of NAME.
    bool fingerprint = false;
    std::vector<std::string> files;
    bool help = false;
    bool version = false;
    bool noPassphrase = false;
    std::optional<std::string> passphraseFile;
    std::optional<std::string> newPassphraseFile;
    // With --change-passphrase, the private key file to change.
    std::string changeFile;
};

std::expected<int, std::string> ParseBits(std::string_view text) {
    int bits = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), bits);
    if (text.empty() || ec != std::errc{} || end != text.data() + text.size() ||
        bits < KeyPairGenerator::kMinBits || bits > KeyPairGenerator::kMaxBits) {
        return std::unexpected("--bits needs a whole number from " +
                               std::to_string(KeyPairGenerator::kMinBits) + " to " +
                               std::to_string(KeyPairGenerator::kMaxBits) + ", not '" +
                               std::string(text) + "'");
    }
    return bits;
}

std::expected<Options, std::string> ParseArguments(std::span<char* const> args) {
    Options options;
    bool optionsEnded = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string_view arg = args[i];
        if (!optionsEnded && arg.starts_with('-') && arg != "-") {
            if (arg == "--") {
                optionsEnded = true;
                continue;
            }
            if (arg == "-h" || arg == "--help") {
                options.help = true;
                return options;
            }
            if (arg == "--version") {
                options.version = true;
                return options;
            }
            if (arg == "--fingerprint") {
                options.fingerprint = true;
                continue;
            }
            if (arg == "--no-passphrase") {
                options.noPassphrase = true;
                continue;
            }
            // Options that name a file take it as the next argument.
            const std::pair<std::string_view, std::optional<std::string>*> fileOptions[] = {
                {"--passphrase-file", &options.passphraseFile},
                {"--new-passphrase-file", &options.newPassphraseFile},
            };
            const auto named = std::find_if(std::begin(fileOptions), std::end(fileOptions),
                                            [arg](const auto& o) { return o.first == arg; });
            if (named != std::end(fileOptions) || arg == "--change-passphrase") {
                if (i + 1 == args.size()) {
                    return std::unexpected(std::string(arg) + " needs a FILE");
                }
                if (named != std::end(fileOptions)) {
                    *named->second = args[++i];
                } else {
                    options.changeFile = args[++i];
                }
                continue;
            }
            std::string_view value;
            if (arg == "--type" || arg.starts_with("--type=")) {
                if (arg == "--type" && i + 1 == args.size()) {
                    return std::unexpected("--type needs a value");
                }
                const std::string_view type = arg == "--type" ? args[++i] : arg.substr(7);
                if (type != "rsa" && type != "ed25519") {
                    return std::unexpected("--type is rsa or ed25519, not '" + std::string(type) +
                                           "'");
                }
                options.kind = type == "rsa" ? zelvora::KeyKind::Rsa : zelvora::KeyKind::Ed25519;
                options.typeGiven = true;
                continue;
            }
            if (arg == "--bits") {
                if (i + 1 == args.size()) {
                    return std::unexpected("--bits needs a value");
                }
                value = args[++i];
            } else if (arg.starts_with("--bits=")) {
                value = arg.substr(7);
            } else {
                return std::unexpected("unknown option '" + std::string(arg) + "'");
            }
            auto bits = ParseBits(value);
            if (!bits) {
                return std::unexpected(bits.error());
            }
            options.bits = *bits;
            options.bitsGiven = true;
            continue;
        }
        // Whether these are key files or NAME is known only at the end.
        options.files.emplace_back(arg);
    }
    const bool change = !options.changeFile.empty();
    if (options.noPassphrase &&
        (options.newPassphraseFile || (!change && options.passphraseFile))) {
        return std::unexpected(
            std::string("--no-passphrase makes no sense with a passphrase file"));
    }
    if (options.newPassphraseFile && !change) {
        return std::unexpected(std::string("--new-passphrase-file goes with --change-passphrase"));
    }
    if (change) {
        if (options.fingerprint || options.bitsGiven || !options.files.empty()) {
            return std::unexpected(
                std::string("--change-passphrase takes one KEYFILE and no other arguments"));
        }
        return options;
    }
    if (options.fingerprint) {
        if (options.noPassphrase || options.passphraseFile) {
            return std::unexpected(std::string("--fingerprint reads no passphrase"));
        }
        if (options.bitsGiven || options.typeGiven) {
            return std::unexpected(std::string(options.bitsGiven ? "--bits" : "--type") +
                                   " makes no sense with --fingerprint");
        }
        if (options.files.empty()) {
            return std::unexpected(std::string("--fingerprint needs at least one FILE"));
        }
        return options;
    }
    // Silently dropping a size the user asked for would leave them
    // believing they hold an RSA key of it.
    if (options.bitsGiven && options.kind == zelvora::KeyKind::Ed25519) {
        return std::unexpected(
            std::string("--bits is for RSA keys; an Ed25519 key has one size only"));
    }
    if (options.files.empty()) {
        return std::unexpected(std::string("missing NAME"));
    }
    if (options.files.size() > 1) {
        return std::unexpected("only one NAME is taken, but '" + options.files[1] + "' follows '" +
                               options.files[0] + "'");
    }
    const std::string given = std::move(options.files[0]);
    options.files.clear();
    // "alice.skey" means the pair alice.skey and alice.pkey, not
    // alice.skey.skey: a name given with either ending loses it.
    options.name = given;
    for (const std::string_view ending : {".skey", ".pkey"}) {
        if (options.name.ends_with(ending)) {
            options.name.resize(options.name.size() - ending.size());
            break;
        }
    }
    // NAME gets an extension appended, so it must end in a file name of its
    // own: "" or "keys/" would make hidden files named ".skey".
    if (options.name.empty() || options.name.ends_with('/')) {
        return std::unexpected("NAME must end in a file name, not '" + given + "'");
    }
    return options;
}

int Fail(const zelvora::Error& error) {
    std::cerr << kProgram << ": " << zelvora::Describe(error, zelvora::Surface::CommandLine)
              << '\n';
    return kExitFailure;
}

std::string Quoted(const fs::path& path) {
    return "\"" + path.string() + "\"";
}

// A step that failed: about a key file, the path and the reason.
int Fail(const zelvora::KeyPairFailure& failure) {
    if (failure.file.empty()) {
        return Fail(failure.error);
    }
    if (failure.error.number == EEXIST) {
        std::cerr << kProgram << ": " << Quoted(failure.file)
                  << " already exists, and key files are never overwritten. Choose another "
                     "name or move the old file away.\n";
    } else if (zelvora::IsSystemError(failure.error)) {
        std::cerr << kProgram << ": Cannot create " << Quoted(failure.file) << ": "
                  << zelvora::Describe(failure.error, zelvora::Surface::CommandLine) << ".\n";
    } else {
        std::cerr << kProgram << ": "
                  << zelvora::FormatKeyFileLine(failure.file.string(), failure.error) << '\n';
    }
    return kExitFailure;
}

// Where a passphrase comes from, as the options say: a file, or the
// terminal, never the arguments or the environment, which other processes
// of the user can read.
std::expected<zelvora::SecureBytes, zelvora::Error> PassphraseFrom(
    const std::optional<std::string>& file, std::string_view prompt) {
    return file ? zelvora::ReadPassphraseFile(*file) : zelvora::AskPassphrase(prompt);
}

// A new passphrase: from the file named, or typed twice on the terminal.
// An empty answer makes a plain key, after the user confirms it. Nothing
// (the optional empty) means a plain key; an Error why none was read.
std::expected<std::optional<zelvora::SecureBytes>, int> NewPassphrase(
    const std::optional<std::string>& file, bool none) {
    if (none) {
        return std::nullopt;
    }
    if (file) {
        auto read = zelvora::ReadPassphraseFile(*file);
        if (!read) {
            std::cerr << kProgram << ": " << zelvora::FormatErrorLine(*file, read.error()) << '\n';
            return std::unexpected(kExitFailure);
        }
        return std::optional(std::move(*read));
    }
    const auto stopped = [](const zelvora::Error& error) -> std::unexpected<int> {
        if (error.number == zelvora::ErrorNumber(zelvora::ErrorCode::NoTerminalForPassphrase)) {
            std::cerr << kProgram << ": " << kNoTerminal << '\n';
            return std::unexpected(kExitUsage);
        }
        std::cerr << kProgram << ": " << zelvora::Describe(error, zelvora::Surface::CommandLine)
                  << '\n';
        return std::unexpected(kExitFailure);
    };
    auto first = zelvora::AskPassphrase(kPassphraseAdvice);
    if (!first) {
        return stopped(first.error());
    }
    auto second = zelvora::AskPassphrase("Type it again: ");
    if (!second) {
        return stopped(second.error());
    }
    if (*first != *second) {
        std::cerr << kProgram << ": the two passphrases differ; nothing was written.\n";
        return std::unexpected(kExitFailure);
    }
    if (!first->empty()) {
        return std::optional(std::move(*first));
    }
    auto confirmed = zelvora::AskOnTerminal(
        "An empty passphrase leaves the private key file unprotected. Type yes to confirm: ");
    if (!confirmed) {
        return stopped(confirmed.error());
    }
    const std::string_view yes = "yes";
    if (!std::equal(confirmed->begin(), confirmed->end(), yes.begin(), yes.end())) {
        std::cerr << kProgram << ": not confirmed; nothing was written.\n";
        return std::unexpected(kExitFailure);
    }
    return std::nullopt;
}

std::optional<std::span<const std::uint8_t>> AsSpan(const std::optional<zelvora::SecureBytes>& p) {
    return p ? std::optional(std::span<const std::uint8_t>(*p)) : std::nullopt;
}

int Run(const Options& options) {
    const zelvora::KeyPairFiles files{options.name + ".skey", options.name + ".pkey"};
    if (auto free = zelvora::CheckKeyPairFiles(files); !free) {
        return Fail(free.error());
    }
    auto passphrase = NewPassphrase(options.passphraseFile, options.noPassphrase);
    if (!passphrase) {
        return passphrase.error();
    }
    if (options.kind == zelvora::KeyKind::Ed25519) {
        std::cout << "Generating an Ed25519 key pair..." << std::endl;
    } else {
        std::cout << "Generating a " << options.bits
                  << "-bit RSA key pair; large keys take a while..." << std::endl;
    }
    const auto fingerprint = zelvora::MakeKeyPair(files, options.kind, options.bits,
                                                  AsSpan(*passphrase), kProtection);
    if (!fingerprint) {
        return Fail(fingerprint.error());
    }
    const std::string privatePath = files.privateFile.string();
    const std::string publicPath = files.publicFile.string();
    std::cout << "Private key: " << privatePath
              << (*passphrase ? " (protected by your passphrase)" : " (no passphrase)") << '\n'
              << "Public key:  " << publicPath << '\n'
              << "Fingerprint: " << zelvora::FingerprintText(*fingerprint) << '\n'
              << "Keep " << privatePath
              << " to yourself: whoever has it can read the messages sent to you.\n"
              << "Give " << publicPath
              << " to the people who send you messages: they encrypt with it.\n";
    return kExitOk;
}

// The current passphrase of the key file to change, asked only when it has
// one: from --passphrase-file, or the terminal.
class CurrentPassphrase : public zelvora::PassphrasePort {
public:
    explicit CurrentPassphrase(const std::optional<std::string>& file) : file_(file) {}
    std::expected<zelvora::SecureBytes, zelvora::Error> Passphrase(std::string_view keyFile,
                                                                   std::string_view) override {
        return PassphraseFrom(file_, "Current passphrase for " + std::string(keyFile) + ": ");
    }

private:
    const std::optional<std::string>& file_;
};

int ChangePassphrase(const Options& options) {
    const std::string& file = options.changeFile;
    // The current passphrase is checked before a new one is asked for.
    CurrentPassphrase current(options.passphraseFile);
    const zelvora::KeyRequest request[] = {{file, zelvora::KeyUse::Own}};
    const auto loaded = zelvora::LoadKeys(request, current);
    if (!loaded) {
        const zelvora::Error& error = loaded.error().error;
        if (error.number == zelvora::ErrorNumber(zelvora::ErrorCode::NoTerminalForPassphrase)) {
            std::cerr << kProgram << ": " << kNoTerminal << '\n';
            return kExitUsage;
        }
        std::cerr << kProgram << ": " << zelvora::FormatKeyFileLine(file, error) << '\n';
        return kExitFailure;
    }
    auto passphrase = NewPassphrase(options.newPassphraseFile, options.noPassphrase);
    if (!passphrase) {
        return passphrase.error();
    }
    if (auto changed = zelvora::ReplaceProtection(file, loaded->keys.front().blob,
                                                  AsSpan(*passphrase), kProtection);
        !changed) {
        return Fail(changed.error());
    }
    std::cout << file
              << (*passphrase ? " is now protected by the new passphrase.\n"
                              : " now has no passphrase.\n");
    return kExitOk;
}

// The slot a file is read for: the name says which a key file is meant to
// be; a file named otherwise is taken for what it holds, and a private key
// in it is then held to the private key file rules.
std::expected<zelvora::KeyFileDescription, zelvora::Error> DescribeAnyKeyFile(
    const std::string& path) {
    if (path.ends_with(".skey")) {
        return zelvora::DescribeKeyFile(path, KeyFileKind::Private);
    }
    auto described = zelvora::DescribeKeyFile(path, KeyFileKind::Public);
    if (!described && !path.ends_with(".pkey") &&
        described.error().number == zelvora::ErrorNumber(zelvora::ErrorCode::PublicKeyIsPrivate)) {
        return zelvora::DescribeKeyFile(path, KeyFileKind::Private);
    }
    return described;
}

// One line per file, in the order given; a file that holds no usable key is
// reported and the others are still shown.
int PrintFingerprints(const std::vector<std::string>& files) {
    int status = kExitOk;
    for (const std::string& path : files) {
        const auto described = DescribeAnyKeyFile(path);
        if (!described) {
            std::cerr << kProgram << ": " << zelvora::FormatKeyFileLine(path, described.error())
                      << '\n';
            status = kExitFailure;
            continue;
        }
        // An RSA key by its size; an Ed25519 key has one size only.
        std::cout << zelvora::FingerprintText(described->fingerprint) << ' '
                  << (described->keyKind == zelvora::KeyKind::Ed25519
                          ? std::string("Ed25519")
                          : std::to_string(described->bits) + " bits")
                  << ", "
                  << (described->kind == KeyFileKind::Private ? "private key, " : "public key, ")
                  << path << '\n';
    }
    return status;
}

}  // namespace

int main(int argc, char** argv) {
    zelvora::HardenProcess();
    // Without OpenSSL's configuration file, as in zelvora itself.
    zelvora::LoadCryptoLibrary();
    const auto options = ParseArguments(std::span<char* const>(argv + 1, argc - 1));
    if (!options) {
        std::cerr << kProgram << ": " << options.error() << '\n'
                  << "Try '" << kProgram << " --help' for more information.\n";
        return kExitUsage;
    }
    if (options->help) {
        std::cout << kUsage;
        return kExitOk;
    }
    if (options->version) {
        std::cout << kProgram << ' ' << zelvora::kVersion << '\n'
                  << "Licensed under the Apache License, Version 2.0.\n";
        return kExitOk;
    }
    if (options->fingerprint) {
        return PrintFingerprints(options->files);
    }
    if (!options->changeFile.empty()) {
        return ChangePassphrase(*options);
    }
    // The key pair lives only inside Run; its private half wipes itself there.
    return Run(*options);
}
