#include "keys/KeyFile.h"

#include "base/ErrorCode.h"
#include "base/HexText.h"
#include "keys/AnyKey.h"
#include "platform/ReadOnlyFile.h"

namespace zelvora {
namespace {

// Whoever can read a private key file can read every message sent to its
// owner, so, like ssh, the reader refuses one that others may read or
// change, or that someone else owns. The error carries what the report
// needs to say how to put it right.
std::optional<Error> CheckPrivateKeyFile(const ReadOnlyFile::Info& info) {
    if (!info.ownedByUserOrRoot) {
        return Error{ErrorNumber(ErrorCode::PrivateKeyFileForeign), info.owner};
    }
    constexpr unsigned kGroupAndOthers = 077;
    if ((info.permissions & kGroupAndOthers) != 0) {
        return Error{ErrorNumber(ErrorCode::PrivateKeyFileOpen), info.permissions};
    }
    return std::nullopt;
}

std::optional<Error> ReadAll(ReadOnlyFile& file, KeyFileKind kind, SecureBytes& content) {
    const auto info = file.Stat();
    if (!info) {
        return SystemError(info.error());
    }
    if (!info->isRegular) {
        return MakeError(ErrorCode::KeyFileNotRegular);
    }
    const std::optional<Error> refused =
        kind == KeyFileKind::Private ? CheckPrivateKeyFile(*info) : std::nullopt;
    if (const int failure = ReadToEnd(file, content, kMaxKeyFileSize); failure != 0) {
        return refused ? refused : SystemError(failure);
    }
    if (refused) {
        // What the file holds comes first: "chmod 600" is advice for a
        // private key, and a public key file (mode 0644, as it should be)
        // chosen by mistake must be named as such, not sent to chmod first.
        const SecureBytes blob = KeyFileLinesToBytes(std::move(content));
        content = SecureBytes();
        // A key under a passphrase is a private key too, and its mode
        // matters as much: it is never handed to a decoder here.
        if (auto key = AnyKey::FromPrivateKeyBlob(blob);
            !key && key.error().number != ErrorNumber(ErrorCode::PrivateKeyEncrypted)) {
            return key.error();
        }
        return refused;
    }
    return std::nullopt;
}

}  // namespace

std::expected<std::optional<SecureBytes>, Error> ReadKeyFile(const std::string& path,
                                                             KeyFileKind kind) {
    if (path.empty()) {
        return std::nullopt;
    }
    auto file = ReadOnlyFile::Open(path, ReadOnlyFile::Wait::Never);
    if (!file) {
        return std::unexpected(SystemError(file.error()));
    }
    SecureBytes content;
    std::optional<Error> failure = ReadAll(*file, kind, content);
    // Closed on every path. A failing close comes last, so it is the
    // failure the report names.
    if (const int closed = file->Close(); closed != 0) {
        failure = SystemError(closed);
    }
    if (failure) {
        return std::unexpected(*failure);
    }
    return KeyFileLinesToBytes(std::move(content));
}

SecureBytes KeyFileText(std::span<const std::uint8_t> blob) {
    SecureBytes text = SecretHexDigits(blob);
    text.push_back('\r');
    text.push_back('\n');
    return text;
}

}  // namespace zelvora
