#include "platform/Descriptor.h"

#include <cerrno>
#include <unistd.h>

namespace zelvora {

int Descriptor::Close() {
    const int fd = fd_;
    fd_ = -1;
    if (fd < 0 || !owned_) {
        return 0;
    }
    return ::close(fd) != 0 && errno != EINTR ? errno : 0;
}

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

std::expected<std::size_t, int> ReadSome(int fd, std::span<std::uint8_t> into) {
    for (;;) {
        const ssize_t got = ::read(fd, into.data(), into.size());
        if (got >= 0) {
            return static_cast<std::size_t>(got);
        }
        if (errno != EINTR) {
            return std::unexpected(errno);
        }
    }
}

}  // namespace zelvora
