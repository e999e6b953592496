// SPDX-License-Identifier: Apache-2.0
// zelvora-keygen: makes the key pair whose two halves Zelvora reads from a
// private (.skey) and a public (.pkey) key file.

#include "base/ErrorCode.h"
#include "crypto/CryptoLibrary.h"
#include "keys/KeyFileDescription.h"
#include "keys/KeyFileWriter.h"
#include "keys/KeyPairGenerator.h"
#include "platform/ProcessHardening.h"
#include "texts/ErrorReport.h"
#include "texts/ErrorText.h"
#include "texts/Version.h"

#include <cerrno>
#include <charconv>
#include <expected>
#include <filesystem>
#include <iostream>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace {

namespace fs = std::filesystem;
namespace KeyFileWriter = zelvora::KeyFileWriter;
using zelvora::KeyFileKind;
using zelvora::KeyPairGenerator;

constexpr std::string_view kProgram = "zelvora-keygen";

// Exit statuses: 2 for a command line we do not understand, so scripts can
// tell it from a failure to generate or to write.
constexpr int kExitOk = 0;
constexpr int kExitFailure = 1;
constexpr int kExitUsage = 2;

constexpr std::string_view kUsage =
    "Usage: zelvora-keygen [--type rsa|ed25519] [--bits N] NAME\n"
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
    "Options:\n"
    "  --type T    the kind of key: rsa (the default) or ed25519, whose messages\n"
    "              are a quarter as long and whose keys are made at once\n"
    "  --bits N    RSA key size in bits, from 2048 to 16384 (default 3072)\n"
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
    if (options.fingerprint) {
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

// A key file that could not be made: the path and the system's reason.
int FailOn(const fs::path& path, const zelvora::Error& error) {
    if (error.number == EEXIST) {
        std::cerr << kProgram << ": " << Quoted(path)
                  << " already exists, and key files are never overwritten. Choose another "
                     "name or move the old file away.\n";
    } else {
        std::cerr << kProgram << ": Cannot create " << Quoted(path) << ": "
                  << zelvora::Describe(error, zelvora::Surface::CommandLine) << ".\n";
    }
    return kExitFailure;
}

int Run(const Options& options) {
    const fs::path privatePath = options.name + ".skey";
    const fs::path publicPath = options.name + ".pkey";
    for (const fs::path& path : {privatePath, publicPath}) {
        if (auto ready = KeyFileWriter::CheckTarget(path); !ready) {
            return FailOn(path, ready.error());
        }
    }

    if (options.kind == zelvora::KeyKind::Ed25519) {
        std::cout << "Generating an Ed25519 key pair..." << std::endl;
    } else {
        std::cout << "Generating a " << options.bits
                  << "-bit RSA key pair; large keys take a while..." << std::endl;
    }
    auto pair = KeyPairGenerator(options.kind, options.bits).Generate();
    if (!pair) {
        return Fail(pair.error());
    }

    // The public half goes first: if the private one then fails, what has to
    // be taken back is a file with nothing secret in it.
    using fs::perms;
    const perms publicPerms =
        perms::owner_read | perms::owner_write | perms::group_read | perms::others_read;
    const perms privatePerms = perms::owner_read | perms::owner_write;
    if (auto written = KeyFileWriter::Write(publicPath, pair->publicKey, publicPerms); !written) {
        return FailOn(publicPath, written.error());
    }
    if (auto written = KeyFileWriter::Write(privatePath, pair->privateKey, privatePerms);
        !written) {
        KeyFileWriter::Remove(publicPath);
        return FailOn(privatePath, written.error());
    }

    // Read back from the file as written, so what is printed is what the
    // people given the .pkey will see.
    const auto described = zelvora::DescribeKeyFile(publicPath.string(), KeyFileKind::Public);
    if (!described) {
        return Fail(described.error());
    }
    std::cout << "Private key: " << privatePath.string() << '\n'
              << "Public key:  " << publicPath.string() << '\n'
              << "Fingerprint: " << zelvora::FingerprintText(described->fingerprint) << '\n'
              << "Keep " << privatePath.string()
              << " to yourself: whoever has it can read the messages sent to you.\n"
              << "Give " << publicPath.string()
              << " to the people who send you messages: they encrypt with it.\n";
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
    // The key pair lives only inside Run; its private half wipes itself there.
    return Run(*options);
}
