#include "keys/KeyFile.h"

#include "base/ErrorCode.h"
#include "base/HexText.h"
#include "platform/ReadOnlyFile.h"

namespace zelvora {

std::expected<std::optional<SecureBytes>, Error> ReadKeyFile(const std::string& path) {
    if (path.empty()) {
        return std::nullopt;
    }
    auto file = ReadOnlyFile::Open(path);
    if (!file) {
        return std::unexpected(SystemError(file.error()));
    }
    SecureBytes content;
    int failure = ReadToEnd(*file, content, kMaxKeyFileSize);
    // Closed on every path. A failing close comes last, so it is the
    // failure the report names.
    if (const int closed = file->Close(); closed != 0) {
        failure = closed;
    }
    if (failure != 0) {
        return std::unexpected(SystemError(failure));
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
