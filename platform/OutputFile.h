#pragma once

#include "platform/Descriptor.h"

#include <cstdint>
#include <expected>
#include <span>
#include <string>

namespace zelvora {

// Where a program's output goes: standard output or a file it creates.
// Failures are errno values.
class OutputFile {
public:
    // Creates `path`, or empties it if it exists. A file only its owner may
    // read (0600) is made for secrets; otherwise the umask decides.
    static std::expected<OutputFile, int> Create(const std::string& path, bool secret);
    // Standard output, which is written but never closed.
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
