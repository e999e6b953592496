#include "workflow/PublicKeyInput.h"

#include "base/ErrorCode.h"
#include "base/HexText.h"
#include "keys/KeyFile.h"
#include "platform/ReadOnlyFile.h"

namespace zelvora {

std::expected<SecureBytes, Error> ReadPublicKeyInput(const std::string& path) {
    auto file = path == kStandardInputName
                    ? ReadOnlyFile::StandardInput()
                    : ReadOnlyFile::Open(path, ReadOnlyFile::Wait::ForWriter);
    if (!file) {
        return std::unexpected(SystemError(file.error()));
    }
    SecureBytes content;
    int failure = ReadToEnd(*file, content, kMaxKeyFileSize);
    if (const int closed = file->Close(); failure == 0) {
        failure = closed;
    }
    if (failure != 0) {
        return std::unexpected(SystemError(failure));
    }
    return KeyFileLinesToBytes(std::move(content));
}

}  // namespace zelvora
