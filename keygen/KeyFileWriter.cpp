#include "keygen/KeyFileWriter.h"

#include "crypto/SecureBytes.h"
#include "keygen/TemporaryFileGuard.h"
#include "keys/Utility.h"

#include <QString>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace zelvora {
namespace fs = std::filesystem;

namespace {

std::string Quoted(const fs::path& path) {
    return "\"" + path.string() + "\"";
}

Error CannotCreate(const fs::path& path, int err) {
    return Error{err, "Cannot create " + Quoted(path) + ": " + std::strerror(err) + "."};
}

// The folder a new file lands in; a bare name lands in the working folder.
fs::path FolderOf(const fs::path& path) {
    fs::path folder = path.parent_path();
    return folder.empty() ? fs::path(".") : folder;
}

// The key file form. The hex text of a private key is as secret as the key,
// so the intermediate QString is wiped, and the result wipes itself.
SecureBytes KeyFileText(std::span<const std::uint8_t> blob) {
    QString hex = BytesToHex(blob);
    SecureBytes text;
    text.reserve(static_cast<std::size_t>(hex.size()) + 2);
    for (const QChar c : hex) {
        text.push_back(static_cast<std::uint8_t>(c.unicode()));
    }
    text.push_back('\r');
    text.push_back('\n');
    WipeMemory(hex.data(), static_cast<std::size_t>(hex.size()) * sizeof(QChar));
    return text;
}

// Returns 0 or the errno of the failed write; short writes are continued.
int WriteAll(int fd, std::span<const std::uint8_t> data) {
    while (!data.empty()) {
        const ssize_t n = ::write(fd, data.data(), data.size());
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            return errno;
        }
        data = data.subspan(static_cast<std::size_t>(n));
    }
    return 0;
}

mode_t CurrentUmask() {
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return mask;
}

// Gives the finished file its name only if that name is still free: a file
// that appeared since CheckTarget is kept, never replaced.
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
// that exists (EEXIST), so a file that appeared since CheckTarget is kept.
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

std::expected<void, Error> KeyFileWriter::CheckTarget(const fs::path& path) {
    struct stat st {};
    if (::lstat(path.c_str(), &st) == 0) {
        return std::unexpected(Error{EEXIST, Quoted(path) +
                                                 " already exists, and key files are never "
                                                 "overwritten. Choose another name or move "
                                                 "the old file away."});
    }
    if (errno != ENOENT) {
        return std::unexpected(CannotCreate(path, errno));
    }
    const fs::path folder = FolderOf(path);
    if (::faccessat(AT_FDCWD, folder.c_str(), W_OK | X_OK, AT_EACCESS) != 0) {
        const int err = errno;
        return std::unexpected(Error{err, "Cannot create " + Quoted(path) + " in folder " +
                                              Quoted(folder) + ": " + std::strerror(err) + "."});
    }
    return {};
}

std::expected<void, Error> KeyFileWriter::Write(const fs::path& path,
                                                std::span<const std::uint8_t> blob,
                                                fs::perms permissions) {
    const fs::path folder = FolderOf(path);
    const mode_t mode = static_cast<mode_t>(permissions & fs::perms::mask) & ~CurrentUmask();
    const SecureBytes text = KeyFileText(blob);

    // The whole text goes to a file without a name first, which gets its
    // name only once complete, so a failed write never shows up under the
    // final name, and a process killed half way leaves nothing behind: the
    // kernel drops an unnamed file with its last descriptor.
    int fd = ::open(folder.c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0600);
    TemporaryFileGuard named;
    if (fd < 0) {
        if (errno != EOPNOTSUPP && errno != EISDIR && errno != EINVAL) {
            return std::unexpected(CannotCreate(path, errno));
        }
        // The file system cannot make unnamed files: a private temporary
        // with a hidden name, removed again if a signal ends the process.
        fd = named.Create(folder / ".zelvora-keygen-XXXXXX");
        if (fd < 0) {
            return std::unexpected(CannotCreate(path, errno));
        }
    }

    int err = WriteAll(fd, text);
    if (err == 0 && ::fchmod(fd, mode) != 0) {
        err = errno;
    }
    if (err == 0 && ::fsync(fd) != 0) {
        err = errno;
    }
    if (err == 0) {
        err = named.Path().empty() ? LinkUnnamed(fd, path) : MoveNoClobber(named.Path(), path);
    }
    if (::close(fd) != 0 && err == 0) {
        err = errno;
    }
    if (!named.Path().empty()) {
        if (err != 0) {
            ::unlink(named.Path().c_str());
        }
        named.Release();
    }
    if (err != 0) {
        return std::unexpected(CannotCreate(path, err));
    }
    if (err = SyncFolder(folder); err != 0) {
        ::unlink(path.c_str());
        return std::unexpected(CannotCreate(path, err));
    }
    return {};
}

void KeyFileWriter::Remove(const fs::path& path) noexcept {
    ::unlink(path.c_str());
}

}  // namespace zelvora
