#include "workflow/KeyPairWorkflow.h"

#include "base/ErrorCode.h"
#include "keys/KeyFileDescription.h"
#include "keys/KeyPairGenerator.h"
#include "keys/ProtectedKey.h"
#include "workflow/KeyFileWriter.h"

#include <cerrno>
#include <system_error>

namespace zelvora {
namespace {

namespace fs = std::filesystem;

std::unexpected<KeyPairFailure> Fail(const Error& error, const fs::path& file = {}) {
    return std::unexpected(KeyPairFailure{error, file});
}

// The private key as the file will hold it: plain, or under the passphrase.
std::expected<SecureBytes, Error> AsStored(SecureBytes plain,
                                           std::optional<std::span<const std::uint8_t>> passphrase,
                                           const ScryptParameters& protection) {
    if (!passphrase) {
        return plain;
    }
    return Protect(plain, *passphrase, protection);
}

}  // namespace

std::expected<void, KeyPairFailure> CheckKeyPairFiles(const KeyPairFiles& files) {
    for (const fs::path& path : {files.privateFile, files.publicFile}) {
        if (auto ready = KeyFileWriter::CheckTarget(path); !ready) {
            return Fail(ready.error(), path);
        }
    }
    return {};
}

std::expected<Fingerprint, KeyPairFailure> MakeKeyPair(
    const KeyPairFiles& files, KeyKind kind, int bits,
    std::optional<std::span<const std::uint8_t>> passphrase, const ScryptParameters& protection) {
    if (auto free = CheckKeyPairFiles(files); !free) {
        return std::unexpected(free.error());
    }
    auto pair = KeyPairGenerator(kind, bits).Generate();
    if (!pair) {
        return Fail(pair.error());
    }
    auto stored = AsStored(std::move(pair->privateKey), passphrase, protection);
    if (!stored) {
        return Fail(stored.error());
    }
    using fs::perms;
    const perms publicPerms =
        perms::owner_read | perms::owner_write | perms::group_read | perms::others_read;
    const perms privatePerms = perms::owner_read | perms::owner_write;
    if (auto written = KeyFileWriter::Write(files.publicFile, pair->publicKey, publicPerms);
        !written) {
        return Fail(written.error(), files.publicFile);
    }
    if (auto written = KeyFileWriter::Write(files.privateFile, *stored, privatePerms); !written) {
        KeyFileWriter::Remove(files.publicFile);
        return Fail(written.error(), files.privateFile);
    }
    // Read back from the file as written, so what is shown is what the
    // people given the public key file will see.
    const auto described = DescribeKeyFile(files.publicFile.string(), KeyFileKind::Public);
    if (!described) {
        return Fail(described.error(), files.publicFile);
    }
    return described->fingerprint;
}

std::expected<void, KeyPairFailure> ReplaceProtection(
    const fs::path& file, std::span<const std::uint8_t> plainKey,
    std::optional<std::span<const std::uint8_t>> newPassphrase,
    const ScryptParameters& protection) {
    auto stored =
        AsStored(SecureBytes(plainKey.begin(), plainKey.end()), newPassphrase, protection);
    if (!stored) {
        return Fail(stored.error(), file);
    }
    std::error_code failed;
    const fs::perms mode = fs::status(file, failed).permissions();
    if (failed) {
        return Fail(SystemError(failed.value()), file);
    }
    // Beside the old file, so that the rename stays on one file system and
    // replaces it in one step: a reader sees the old key or the new, whole.
    fs::path fresh = file;
    fresh += ".new";
    if (auto written = KeyFileWriter::Write(fresh, *stored, mode); !written) {
        return Fail(written.error(), fresh);
    }
    fs::permissions(fresh, mode, failed);
    if (!failed) {
        fs::rename(fresh, file, failed);
    }
    if (failed) {
        KeyFileWriter::Remove(fresh);
        return Fail(SystemError(failed.value()), file);
    }
    return {};
}

}  // namespace zelvora
