#include "platform/ReadOnlyFile.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

static_assert(EFBIG == 27, "ReadToEnd spells EFBIG out");

namespace zelvora {

std::expected<ReadOnlyFile, int> ReadOnlyFile::Open(const std::string& path, Wait wait) {
    const int fd = ::open(path.c_str(),
                          O_RDONLY | O_CLOEXEC | O_NOCTTY | (wait == Wait::Never ? O_NONBLOCK : 0));
    if (fd < 0) {
        return std::unexpected(errno);
    }
    return ReadOnlyFile(fd, true);
}

ReadOnlyFile ReadOnlyFile::StandardInput() {
    return ReadOnlyFile(STDIN_FILENO, false);
}

ReadOnlyFile ReadOnlyFile::Borrow(int fd) {
    return ReadOnlyFile(fd, false);
}

std::expected<ReadOnlyFile::Info, int> ReadOnlyFile::Stat() const {
    struct stat status {};
    if (::fstat(fd_.Get(), &status) != 0) {
        return std::unexpected(errno);
    }
    if (S_ISDIR(status.st_mode)) {
        return std::unexpected(EISDIR);
    }
    Info info;
    info.isRegular = S_ISREG(status.st_mode);
    info.permissions = status.st_mode & 07777;
    info.owner = status.st_uid;
    info.ownedByUserOrRoot = status.st_uid == ::geteuid() || status.st_uid == 0;
    if (info.isRegular) {
        info.size = static_cast<std::size_t>(status.st_size);
    }
    return info;
}

std::expected<std::size_t, int> ReadOnlyFile::Read(std::span<std::uint8_t> into) {
    return ReadSome(fd_.Get(), into);
}

}  // namespace zelvora
