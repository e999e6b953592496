#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace zelvora {

// Where a file lies on disk and when it last changed, as stat(2) reports
// them; a file rewritten in place or replaced by another changes at least
// one of them.
struct FileStamp {
    std::uint64_t device = 0;
    std::uint64_t inode = 0;
    std::uint64_t size = 0;
    std::int64_t modifiedNs = 0;
};

// The stamp of the file at `path`, following links; none when it cannot be
// looked at.
std::optional<FileStamp> StampOf(const std::string& path);

}  // namespace zelvora
