#include "platform/SpoolFile.h"

#include <cerrno>
#include <cstdlib>
#include <string>

#include <fcntl.h>
#include <unistd.h>

namespace zelvora {

std::expected<SpoolFile, int> SpoolFile::Create() {
    const char* folder = std::getenv("TMPDIR");
    if (folder == nullptr || *folder == '\0') {
        folder = "/tmp";
    }
    int fd = ::open(folder, O_TMPFILE | O_RDWR | O_CLOEXEC, 0600);
    if (fd < 0 && (errno == EOPNOTSUPP || errno == EISDIR || errno == EINVAL)) {
        // No unnamed files there: a named one, unlinked at once, is as
        // private from then on.
        std::string pattern = std::string(folder) + "/.zelvora-spool-XXXXXX";
        fd = ::mkostemp(pattern.data(), O_CLOEXEC);
        if (fd >= 0) {
            ::unlink(pattern.c_str());
        }
    }
    if (fd < 0) {
        return std::unexpected(errno);
    }
    return SpoolFile(fd);
}

int SpoolFile::Rewind() {
    return ::lseek(fd_.Get(), 0, SEEK_SET) == 0 ? 0 : errno;
}

std::expected<std::size_t, int> SpoolFile::Read(std::span<std::uint8_t> into) {
    return ReadSome(fd_.Get(), into);
}

}  // namespace zelvora
