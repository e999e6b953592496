#pragma once

#include "base/SecureBytes.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <span>

namespace zelvora::cli {

// Writes bytes as upper-case hex text, as they come, in lines of `wrap`
// characters (0: all on one line) ended by a line feed. Lines run on across
// the pieces given, so the text is the same however the bytes were cut.
class HexLineWriter {
public:
    // Takes each piece of text; returns 0 or an errno value.
    using Out = std::function<int(std::span<const std::uint8_t>)>;

    HexLineWriter(std::size_t wrap, Out out) : wrap_(wrap), out_(std::move(out)) {}

    int Write(std::span<const std::uint8_t> bytes);
    // Ends the last line.
    int Finish();

private:
    std::size_t wrap_;
    Out out_;
    // Characters on the current line; without a wrap it only grows.
    std::size_t column_ = 0;
    Bytes digits_;
    Bytes text_;
};

}  // namespace zelvora::cli
