#pragma once

#include "platform/TemporaryFileGuard.h"

#include <cstdint>
#include <expected>
#include <filesystem>
#include <memory>
#include <span>

namespace zelvora {

// A new file written a piece at a time that appears under its name only
// when Commit says it is complete: until then it has no name (or, where the
// file system cannot make unnamed files, a hidden one removed again), so a
// reader never sees part of it, and a writer that fails or is killed half way
// leaves nothing behind. Like NewFile::Write it never replaces an existing
// file. Failures are errno values.
class NewFileWriter {
public:
    static std::expected<std::unique_ptr<NewFileWriter>, int> Open(std::filesystem::path path);
    // Dropped without Commit: the file never gets its name.
    ~NewFileWriter();
    NewFileWriter(const NewFileWriter&) = delete;
    NewFileWriter& operator=(const NewFileWriter&) = delete;

    int Write(std::span<const std::uint8_t> data);
    // Gives the file `permissions` reduced by the umask, flushes it and
    // names it; after a failure nothing is left at the path.
    int Commit(std::filesystem::perms permissions);

private:
    NewFileWriter() = default;
    void Abandon() noexcept;

    std::filesystem::path path_;
    int fd_ = -1;
    TemporaryFileGuard named_;
};

}  // namespace zelvora
