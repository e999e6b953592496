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

}  // namespace zelvora
