#include "workflow/KeyFileWriter.h"

#include "base/ErrorCode.h"
#include "keys/KeyFile.h"
#include "platform/NewFile.h"

namespace zelvora::KeyFileWriter {

std::expected<void, Error> CheckTarget(const std::filesystem::path& path) {
    if (const int failure = NewFile::CheckFree(path); failure != 0) {
        return std::unexpected(SystemError(failure));
    }
    return {};
}

std::expected<void, Error> Write(const std::filesystem::path& path,
                                 std::span<const std::uint8_t> blob,
                                 std::filesystem::perms permissions) {
    // The text of a private key is as secret as the key: it wipes itself.
    if (const int failure = NewFile::Write(path, KeyFileText(blob), permissions); failure != 0) {
        return std::unexpected(SystemError(failure));
    }
    return {};
}

void Remove(const std::filesystem::path& path) noexcept {
    NewFile::Remove(path);
}

}  // namespace zelvora::KeyFileWriter
