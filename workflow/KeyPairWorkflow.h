#pragma once

#include "base/Error.h"
#include "keys/Fingerprint.h"
#include "keys/KeyKind.h"
#include "keys/ScryptParameters.h"

#include <cstdint>
#include <expected>
#include <filesystem>
#include <optional>
#include <span>

namespace zelvora {

// The two files of one key pair: NAME.skey and NAME.pkey.
struct KeyPairFiles {
    std::filesystem::path privateFile;
    std::filesystem::path publicFile;
};

// A step that failed, and the file it concerns (empty when none).
struct KeyPairFailure {
    Error error;
    std::filesystem::path file;
};

// Refuses when either file already exists or cannot be made, so that the
// caller can stop before asking for a passphrase or generating.
std::expected<void, KeyPairFailure> CheckKeyPairFiles(const KeyPairFiles& files);

// Generates a key pair of `kind` (and `bits`, for RSA) and writes both files, each unnamed until
// complete: the public one first, so that if the private one then fails what
// is taken back holds nothing secret. With a passphrase the private key is
// written protected under it. Reads the public file back and gives the
// fingerprint it shows, which is what the people given it will see.
std::expected<Fingerprint, KeyPairFailure> MakeKeyPair(
    const KeyPairFiles& files, KeyKind kind, int bits,
    std::optional<std::span<const std::uint8_t>> passphrase,
    const ScryptParameters& protection = kProductionScrypt);

// Replaces the private key file at `file` by `plainKey` (a PrivateKeyInfo,
// as LoadKeys gives it) under `newPassphrase`, or plain without one. The new
// content is written unnamed beside it and takes its place, with the same
// mode, only when complete; on failure the old file is untouched.
std::expected<void, KeyPairFailure> ReplaceProtection(
    const std::filesystem::path& file, std::span<const std::uint8_t> plainKey,
    std::optional<std::span<const std::uint8_t>> newPassphrase,
    const ScryptParameters& protection = kProductionScrypt);

}  // namespace zelvora
