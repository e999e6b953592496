#pragma once

#include <cstddef>
#include <cstdint>
#include <expected>
#include <span>

namespace zelvora {

// An open file descriptor, closed when it goes unless it is one of the
// standard streams the process was given (not owned).
class Descriptor {
public:
    Descriptor(int fd, bool owned) : fd_(fd), owned_(owned) {}
    Descriptor(Descriptor&& other) noexcept : fd_(other.fd_), owned_(other.owned_) {
        other.fd_ = -1;
    }
    Descriptor& operator=(Descriptor&&) = delete;
    ~Descriptor() { (void)Close(); }

    int Get() const { return fd_; }
    // The errno of a failing close, or 0. An interrupted close still closed.
    int Close();

private:
    int fd_ = -1;
    bool owned_ = true;
};

// Writes all of `data`, continuing short and interrupted writes. Returns 0 or
// the errno of the failed write.
int WriteAll(int fd, std::span<const std::uint8_t> data);

// Reads what is there, up to the size of `into`, continuing interrupted
// reads. The count read (0 at the end), or the errno of the failed read.
std::expected<std::size_t, int> ReadSome(int fd, std::span<std::uint8_t> into);

}  // namespace zelvora
