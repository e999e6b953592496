#include "platform/NewFileWriter.h"

#include "platform/Descriptor.h"

#include <cerrno>
#include <string>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace zelvora {
namespace fs = std::filesystem;

namespace {

// The folder a new file lands in; a bare name lands in the working folder.
fs::path FolderOf(const fs::path& path) {
    fs::path folder = path.parent_path();
    return folder.empty() ? fs::path(".") : folder;
}

mode_t CurrentUmask() {
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return mask;
}

// Gives the finished file its name only if that name is still free: a file
// that appeared since CheckFree is kept, never replaced.
int MoveNoClobber(const fs::path& from, const fs::path& to) {
    if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) {
        return 0;
    }
    if (errno != EINVAL && errno != ENOSYS) {
        return errno;
    }
    // The file system lacks the no-replace rename; a hard link refuses an
    // existing name just the same.
    if (::link(from.c_str(), to.c_str()) != 0) {
        return errno;
    }
    ::unlink(from.c_str());
    return 0;
}

// Gives an unnamed file its name; like a hard link, linkat refuses a name
// that exists (EEXIST), so a file that appeared since CheckFree is kept.
// Naming the descriptor itself (AT_EMPTY_PATH) takes a capability only root
// usually has; its /proc/self/fd entry works for everyone.
int LinkUnnamed(int fd, const fs::path& to) {
    if (::linkat(fd, "", AT_FDCWD, to.c_str(), AT_EMPTY_PATH) == 0) {
        return 0;
    }
    if (errno != ENOENT && errno != EPERM) {
        return errno;
    }
    const std::string self = "/proc/self/fd/" + std::to_string(fd);
    if (::linkat(AT_FDCWD, self.c_str(), AT_FDCWD, to.c_str(), AT_SYMLINK_FOLLOW) != 0) {
        return errno;
    }
    return 0;
}

// A new name lives in the folder's own data, which needs its own flush to
// survive a crash. Folders that cannot be flushed (EINVAL) are left as they are.
int SyncFolder(const fs::path& folder) {
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) {
        return errno;
    }
    int err = 0;
    if (::fsync(fd) != 0 && errno != EINVAL) {
        err = errno;
    }
    ::close(fd);
    return err;
}

}  // namespace

std::expected<std::unique_ptr<NewFileWriter>, int> NewFileWriter::Open(fs::path path) {
    std::unique_ptr<NewFileWriter> writer(new NewFileWriter());
    writer->path_ = std::move(path);
    const fs::path folder = FolderOf(writer->path_);
    // The kernel drops an unnamed file with its last descriptor, so a
    // process killed half way leaves nothing behind.
    writer->fd_ = ::open(folder.c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0600);
    if (writer->fd_ < 0) {
        if (errno != EOPNOTSUPP && errno != EISDIR && errno != EINVAL) {
            return std::unexpected(errno);
        }
        // The file system cannot make unnamed files: a private temporary
        // with a hidden name, removed again if a signal ends the process.
        writer->fd_ = writer->named_.Create(folder / ".zelvora-new-XXXXXX");
        if (writer->fd_ < 0) {
            return std::unexpected(errno);
        }
    }
    return writer;
}

NewFileWriter::~NewFileWriter() {
    Abandon();
}

void NewFileWriter::Abandon() noexcept {
    if (fd_ >= 0) {
        ::close(fd_);
        fd_ = -1;
    }
    if (!named_.Path().empty()) {
        ::unlink(named_.Path().c_str());
        named_.Release();
    }
}

int NewFileWriter::Write(std::span<const std::uint8_t> data) {
    return fd_ < 0 ? EBADF : WriteAll(fd_, data);
}

int NewFileWriter::Commit(fs::perms permissions) {
    if (fd_ < 0) {
        return EBADF;
    }
    const mode_t mode = static_cast<mode_t>(permissions & fs::perms::mask) & ~CurrentUmask();
    int err = 0;
    if (::fchmod(fd_, mode) != 0) {
        err = errno;
    }
    if (err == 0 && ::fsync(fd_) != 0) {
        err = errno;
    }
    if (err == 0) {
        err = named_.Path().empty() ? LinkUnnamed(fd_, path_) : MoveNoClobber(named_.Path(), path_);
    }
    const int fd = fd_;
    fd_ = -1;
    if (::close(fd) != 0 && err == 0) {
        err = errno;
    }
    if (!named_.Path().empty()) {
        if (err != 0) {
            ::unlink(named_.Path().c_str());
        }
        named_.Release();
    }
    if (err != 0) {
        return err;
    }
    if (err = SyncFolder(FolderOf(path_)); err != 0) {
        ::unlink(path_.c_str());
        return err;
    }
    return 0;
}

}  // namespace zelvora
