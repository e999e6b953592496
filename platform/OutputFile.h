#pragma once

#include "platform/Descriptor.h"

#include <cstdint>
#include <span>

namespace zelvora {

// Standard output, as a program's result goes there. Files of their own are
// made with NewFile, which never writes into an existing one. Failures are
// errno values.
class OutputFile {
public:
    // Written but never closed.
    static OutputFile StandardOutput();

    bool IsTerminal() const;
    // All of `data`; short and interrupted writes are continued.
    int Write(std::span<const std::uint8_t> data) { return WriteAll(fd_.Get(), data); }
    // The errno of a failing close, or 0. Standard output stays open.
    int Close() { return fd_.Close(); }

private:
    OutputFile(int fd, bool owned) : fd_(fd, owned) {}
    Descriptor fd_;
};

}  // namespace zelvora
