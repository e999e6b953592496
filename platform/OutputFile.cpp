#include "platform/OutputFile.h"

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

namespace zelvora {

std::expected<OutputFile, int> OutputFile::Create(const std::string& path, bool secret) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC | O_NOCTTY,
                          secret ? 0600 : 0666);
    if (fd < 0) {
        return std::unexpected(errno);
    }
    return OutputFile(fd, true);
}

OutputFile OutputFile::StandardOutput() {
    return OutputFile(STDOUT_FILENO, false);
}

OutputFile::OutputFile(OutputFile&& other) noexcept : fd_(other.fd_), owned_(other.owned_) {
    other.fd_ = -1;
}

OutputFile::~OutputFile() {
    (void)Close();
}

bool OutputFile::IsTerminal() const {
    return ::isatty(fd_) == 1;
}

int OutputFile::Write(std::span<const std::uint8_t> data) {
    while (!data.empty()) {
        const ssize_t n = ::write(fd_, data.data(), data.size());
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

int OutputFile::Close() {
    const int fd = fd_;
    fd_ = -1;
    if (fd < 0 || !owned_) {
        return 0;
    }
    return ::close(fd) != 0 && errno != EINTR ? errno : 0;
}

}  // namespace zelvora
