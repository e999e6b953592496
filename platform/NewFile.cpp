#include "platform/NewFile.h"

#include "platform/NewFileWriter.h"

#include <cerrno>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace zelvora::NewFile {
namespace fs = std::filesystem;

namespace {

// The folder a new file lands in; a bare name lands in the working folder.
fs::path FolderOf(const fs::path& path) {
    fs::path folder = path.parent_path();
    return folder.empty() ? fs::path(".") : folder;
}

}  // namespace

int CheckFree(const fs::path& path) {
    struct stat st {};
    if (::lstat(path.c_str(), &st) == 0) {
        return EEXIST;
    }
    if (errno != ENOENT) {
        return errno;
    }
    if (::faccessat(AT_FDCWD, FolderOf(path).c_str(), W_OK | X_OK, AT_EACCESS) != 0) {
        return errno;
    }
    return 0;
}

int Write(const fs::path& path, std::span<const std::uint8_t> content, fs::perms permissions) {
    auto writer = NewFileWriter::Open(path);
    if (!writer) {
        return writer.error();
    }
    if (const int err = (*writer)->Write(content); err != 0) {
        return err;
    }
    return (*writer)->Commit(permissions);
}

void Remove(const fs::path& path) noexcept {
    ::unlink(path.c_str());
}

}  // namespace zelvora::NewFile
