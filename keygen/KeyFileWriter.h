#pragma once

#include "crypto/Error.h"

#include <cstdint>
#include <expected>
#include <filesystem>
#include <span>

namespace zelvora {

// Puts key files on disk without ever replacing an existing file and without
// leaving a partial one behind: readers see either no file or the whole key.
class KeyFileWriter {
public:
    // Refuses a path that already names something (a dangling symbolic link
    // included) or whose folder does not take new files, so the caller can
    // stop before spending time on key generation.
    static std::expected<void, Error> CheckTarget(const std::filesystem::path& path);

    // Writes `blob` in the key file form: upper-case hex on one line ended by
    // CR LF. `permissions` is reduced by the umask, like any new file.
    // On failure nothing is left at `path` or beside it, and the error names
    // the path and the system's reason; nor when SIGTERM, SIGINT or SIGHUP
    // ends the process during the write.
    static std::expected<void, Error> Write(const std::filesystem::path& path,
                                            std::span<const std::uint8_t> blob,
                                            std::filesystem::perms permissions);

    // Takes back a file this writer made, when a later step failed.
    static void Remove(const std::filesystem::path& path) noexcept;
};

}  // namespace zelvora
