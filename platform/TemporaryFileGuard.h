#pragma once

#include <filesystem>

namespace zelvora {

// Removes a named temporary file when SIGTERM, SIGINT or SIGHUP ends the
// process before the file got its final name, so no copy of a private key is
// left lying under a hidden name. Only for where the file system cannot make
// unnamed files (O_TMPFILE), which vanish by themselves.
class TemporaryFileGuard {
public:
    // Creates a file from `pattern` (ending in "XXXXXX", as for mkostemp),
    // open for writing with mode 0600, and watches it from that moment on.
    // Returns the descriptor, or -1 with errno set.
    int Create(std::filesystem::path pattern);
    // The file's name, once created.
    const std::filesystem::path& Path() const { return path_; }
    // The file got its final name or was removed: nothing to watch any more.
    void Release() noexcept;

    TemporaryFileGuard() = default;
    ~TemporaryFileGuard();
    TemporaryFileGuard(const TemporaryFileGuard&) = delete;
    TemporaryFileGuard& operator=(const TemporaryFileGuard&) = delete;

private:
    std::filesystem::path path_;
    bool watching_ = false;
};

}  // namespace zelvora
