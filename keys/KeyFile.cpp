#include "keys/KeyFile.h"

#include "keys/ErrorReport.h"
#include "keys/Utility.h"

#include <QFile>
#include <QRegularExpression>

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

// The path as a shell takes it, quoted only when it has to be.
QString ForShell(const QString& path) {
    static const QRegularExpression plain(QStringLiteral("^[A-Za-z0-9_./+,:@%=-]+$"));
    if (plain.match(path).hasMatch()) {
        return path;
    }
    QString quoted = path;
    return u'\'' + quoted.replace(u'\'', QStringLiteral("'\\''")) + u'\'';
}

// Whoever can read a private key file can read every message sent to its
// owner, so, like ssh, the reader refuses one that others may read or
// change, or that someone else owns, and says how to put it right.
std::optional<Error> CheckPrivateKeyFile(const struct stat& info, const QString& path) {
    if (info.st_uid != ::geteuid() && info.st_uid != 0) {
        return Error{EACCES,
                     QStringLiteral("The private key file belongs to another user (uid %1): "
                                    "only your own may be used. Copy it to a file of "
                                    "yours and run chmod 600 on that.")
                         .arg(info.st_uid)
                         .toStdString()};
    }
    if ((info.st_mode & (S_IRWXG | S_IRWXO)) != 0) {
        return Error{EACCES,
                     QStringLiteral("Permissions %1 are too open: others must not be able "
                                    "to read or change a private key file. Run chmod 600 %2")
                         .arg(info.st_mode & 07777, 4, 8, QChar(u'0'))
                         .arg(ForShell(path))
                         .toStdString()};
    }
    return std::nullopt;
}

// Reads the whole regular file into `content`, refusing anything over the
// limit. Returns the first failure.
std::optional<Error> ReadAll(int fd, const QString& path, KeyFileKind kind, SecureBytes& content) {
    struct stat info {};
    if (fstat(fd, &info) != 0) {
        return FileError(errno);
    }
    if (S_ISDIR(info.st_mode)) {
        return FileError(EISDIR);
    }
    if (!S_ISREG(info.st_mode)) {
        return Error{EINVAL, "Not a regular file"};
    }
    if (kind == KeyFileKind::Private) {
        if (auto refused = CheckPrivateKeyFile(info, path)) {
            return refused;
        }
    }
    if (static_cast<std::size_t>(info.st_size) > kMaxKeyFileSize) {
        return FileError(EFBIG);
    }
    // The file tells its size, and a buffer of that size saves zeroing and
    // wiping a whole megabyte at every press. One byte more tells a file that
    // grew since, or one that gave no size (procfs), from one that fits; those
    // are read on up to one byte over the limit.
    content.resize(static_cast<std::size_t>(info.st_size) + 1);
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
            return FileError(errno);
        }
        if (got == 0) {
            break;
        }
        used += static_cast<std::size_t>(got);
    }
    if (used > kMaxKeyFileSize) {
        return FileError(EFBIG);
    }
    content.resize(used);
    return std::nullopt;
}

}  // namespace

std::optional<SecureBytes> ReadKeyFile(const QString& path, MessageBoxPort& box, KeyFileKind kind) {
    if (path.isEmpty()) {
        return std::nullopt;
    }

    std::optional<Error> failure;
    SecureBytes content;
    const QByteArray native = QFile::encodeName(path);
    // Without O_NONBLOCK, opening a FIFO would wait for a writer, forever.
    const int fd = ::open(native.constData(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
    if (fd < 0) {
        failure = FileError(errno);
    } else {
        failure = ReadAll(fd, path, kind, content);
        // Closed on every path. A failing close comes last, so it is the
        // failure the report names.
        if (::close(fd) != 0 && errno != EINTR) {
            failure = FileError(errno);
        }
    }

    if (failure) {
        box.Show(FormatErrorReport(QStringLiteral("Error reading key file ") + path, *failure));
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
