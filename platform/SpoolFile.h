#pragma once

#include "platform/Descriptor.h"

#include <cstddef>
#include <cstdint>
#include <expected>
#include <span>

namespace zelvora {

// A scratch file without a name, to write once and read back: in $TMPDIR
// (or /tmp), readable by this process alone, gone with its descriptor
// however the process ends. Failures are errno values.
class SpoolFile {
public:
    static std::expected<SpoolFile, int> Create();

    int Write(std::span<const std::uint8_t> data) { return WriteAll(fd_.Get(), data); }
    // Back to the start, to read what was written.
    int Rewind();
    // Up to `into.size()` bytes; 0 at the end.
    std::expected<std::size_t, int> Read(std::span<std::uint8_t> into);

private:
    explicit SpoolFile(int fd) : fd_(fd, true) {}
    Descriptor fd_;
};

}  // namespace zelvora
