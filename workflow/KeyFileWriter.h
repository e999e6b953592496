#pragma once

#include "base/Error.h"

#include <cstdint>
#include <expected>
#include <filesystem>
#include <span>

// Puts key files on disk without ever replacing an existing file and without
// leaving a partial one behind: readers see either no file or the whole key.
// Failures are system errors (EEXIST for a name that is taken).
namespace zelvora::KeyFileWriter {

// Refuses a path that already names something (a dangling symbolic link
// included) or whose folder does not take new files, so the caller can stop
// before spending time on key generation.
std::expected<void, Error> CheckTarget(const std::filesystem::path& path);

// Writes `blob` in the key file form. `permissions` is reduced by the umask,
// like any new file.
std::expected<void, Error> Write(const std::filesystem::path& path,
                                 std::span<const std::uint8_t> blob,
                                 std::filesystem::perms permissions);

// Takes back a file this writer made, when a later step failed.
void Remove(const std::filesystem::path& path) noexcept;

}  // namespace zelvora::KeyFileWriter
