#pragma once

#include <cstdint>
#include <filesystem>
#include <span>

namespace zelvora::NewFile {

// Files that appear whole or not at all and never replace an existing one:
// readers see either no file or all of it. Failures are errno values.

// 0 when `path` names nothing yet (not even a dangling symbolic link) and its
// folder takes new files; EEXIST or the folder's failure otherwise.
int CheckFree(const std::filesystem::path& path);

// Writes `content` under `path` with `permissions` reduced by the umask.
// On failure nothing is left at `path` or beside it; nor when SIGTERM,
// SIGINT or SIGHUP ends the process during the write.
int Write(const std::filesystem::path& path, std::span<const std::uint8_t> content,
          std::filesystem::perms permissions);

// Takes back a file made here, when a later step failed.
void Remove(const std::filesystem::path& path) noexcept;

}  // namespace zelvora::NewFile
