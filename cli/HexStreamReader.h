#pragma once

#include "base/SecureBytes.h"

#include <cstddef>
#include <cstdint>
#include <span>

namespace zelvora::cli {

// Reads hex text a piece at a time, as a long message arrives, into bytes:
// digits in pairs across line ends, blanks and tabs skipped, quote markers
// ('>') before a line's first digit skipped. A line that holds anything
// else ends the hex lines, as a signature or remark under a message does:
// its digits (a greeting such as "Bob" starts with one) are not taken. For
// that each line's bytes are held back until its end, up to a bound; a
// longer line is hex, and anything else on it makes the text malformed.
//
// The tolerant reading of pasted text (CiphertextDigits) needs the whole
// text; this one is for text that is plain hex lines.
class HexStreamReader {
public:
    enum class State { Reading, Ended, Malformed };

    // Appends to `out` the bytes of the lines of `text` that are known to be
    // hex lines. Once the state is not Reading, nothing more is taken.
    State Read(std::span<const std::uint8_t> text, Bytes& out);
    // At the end of the text: the last line's bytes, and an odd last digit
    // as a byte of its own, as the pair rule reads it.
    void Finish(Bytes& out);

    State Current() const { return state_; }
    // Whether any digit was taken.
    bool AnyDigits() const { return anyDigits_; }

private:
    void EndLine(Bytes& out);
    void Release(Bytes& out);
    // Digit pairs at the start of `text` decoded in bulk, up to a step or the
    // point where the line is released; returns how many digits it took.
    std::size_t ReadPairs(std::span<const std::uint8_t> text, Bytes& out);

    State state_ = State::Reading;
    bool anyDigits_ = false;
    // The current line's bytes, while they are held back.
    Bytes held_;
    bool lineHasDigit_ = false;
    bool lineReleased_ = false;
    // A digit waiting for its pair, and its state when the line began.
    int nibble_ = -1;
    int lineStartNibble_ = -1;
};

}  // namespace zelvora::cli
