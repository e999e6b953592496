#include "keys/KeyFile.h"

#include "texts/ErrorReport.h"
#include "base/HexText.h"

#include <QFile>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace zelvora {
namespace {

Error FileError(int number) {
    char buffer[256];
    // GNU strerror_r may return a static string instead of filling buffer.
    const char* text = strerror_r(number, buffer, sizeof buffer);
    return Error{number, text};
}

// Reads the whole file into `content`, refusing anything over the limit.
// Returns the errno of the first failure, or 0.
int ReadAll(int fd, SecureBytes& content) {
    struct stat info {};
    if (fstat(fd, &info) != 0) {
        return errno;
    }
    if (S_ISDIR(info.st_mode)) {
        return EISDIR;
    }
    if (S_ISREG(info.st_mode) && static_cast<std::size_t>(info.st_size) > kMaxKeyFileSize) {
        return EFBIG;
    }
    // A regular file tells its size, and a buffer of that size saves zeroing
    // and wiping a whole megabyte at every press. One byte more tells a file
    // that grew since, or one that gave no size (procfs), from one that fits;
    // those, and devices, are read on up to one byte over the limit.
    content.resize(S_ISREG(info.st_mode) ? static_cast<std::size_t>(info.st_size) + 1
                                         : kMaxKeyFileSize + 1);
    std::size_t used = 0;
    for (;;) {
        if (used == content.size()) {
            if (used > kMaxKeyFileSize) {
                break;
            }
            content.resize(kMaxKeyFileSize + 1);
        }
        const ssize_t got = ::read(fd, content.data() + used, content.size() - used);
        if (got < 0) {
            if (errno == EINTR) {
                continue;
            }
            return errno;
        }
        if (got == 0) {
            break;
        }
        used += static_cast<std::size_t>(got);
    }
    if (used > kMaxKeyFileSize) {
        return EFBIG;
    }
    content.resize(used);
    return 0;
}

}  // namespace

std::optional<SecureBytes> ReadKeyFile(const QString& path, MessageBoxPort& box) {
    if (path.isEmpty()) {
        return std::nullopt;
    }

    int failure = 0;
    SecureBytes content;
    const QByteArray native = QFile::encodeName(path);
    const int fd = ::open(native.constData(), O_RDONLY | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) {
        failure = errno;
    } else {
        failure = ReadAll(fd, content);
        // Closed on every path. A failing close comes last, so it is the
        // failure the report names.
        if (::close(fd) != 0 && errno != EINTR) {
            failure = errno;
        }
    }

    if (failure != 0) {
        box.Show(FormatErrorReport(QStringLiteral("Error reading key file ") + path,
                                   FileError(failure)));
        return std::nullopt;
    }

    // CR LF, a lone CR and a lone LF all end a line; line ends are dropped and
    // the lines joined with nothing between them.
    const auto end = std::remove_if(content.begin(), content.end(),
                                    [](std::uint8_t c) { return c == '\r' || c == '\n'; });
    const std::string_view joined(reinterpret_cast<const char*>(content.data()),
                                  static_cast<std::size_t>(end - content.begin()));
    return HexToSecureBytes(joined);
}

}  // namespace zelvora
