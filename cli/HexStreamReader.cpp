#include "cli/HexStreamReader.h"

#include "base/HexDigits.h"
#include "base/HexText.h"

#include <cstring>
#include <string_view>

namespace zelvora::cli {
namespace {

// Far wider than a greeting or a signature line, far narrower than the
// ciphertext of a message that needs reading as it streams.
constexpr std::size_t kHeldLineBytes = 4096;
// Bulk steps on a released line; see ReadPairs.
constexpr std::size_t kStepDigits = 16384;

// Bytes' allocator makes inserting a range copy it one byte at a time, a
// quarter of the instructions of decrypting 76-column lines; growing and
// copying once is a memcpy.
void Append(Bytes& out, const Bytes& bytes) {
    if (bytes.empty()) {
        return;
    }
    const std::size_t start = out.size();
    out.resize(start + bytes.size());
    std::memcpy(out.data() + start, bytes.data(), bytes.size());
}

}  // namespace

void HexStreamReader::EndLine(Bytes& out) {
    Append(out, held_);
    held_.clear();
    lineHasDigit_ = false;
    lineReleased_ = false;
    lineStartNibble_ = nibble_;
}

void HexStreamReader::Release(Bytes& out) {
    Append(out, held_);
    held_.clear();
    lineReleased_ = true;
}

// Almost all of a message's text is runs of digits; taking one character at
// a time cost 93% of the instructions of decrypting it. A run decoded in
// bulk, 32 digits at a time, straight into the bytes' place, took `decrypt`
// of a 16 MiB message from 852 to 123 million instructions on one line and
// from 1,110 to 233 million on 76-column lines (callgrind); at 64 MiB from
// 199 ms to 44 ms and from 264 ms to 68 ms, where `encrypt` takes 48 ms
// (hyperfine). A released line goes in steps of kStepDigits: growing the
// output by half of a 256 KiB piece at once made the kernel's copy of the
// next piece three times as slow (perf), 77 ms in all.
std::size_t HexStreamReader::ReadPairs(std::span<const std::uint8_t> text, Bytes& out) {
    // A held line takes no more than the point where it is released, so the
    // bytes past it go out as they would one at a time.
    const std::string_view rest =
        std::string_view(reinterpret_cast<const char*>(text.data()), text.size())
            .substr(0, lineReleased_ ? kStepDigits : 2 * (kHeldLineBytes - held_.size()));
    Bytes& into = lineReleased_ ? out : held_;
    const std::size_t start = into.size();
    // Bytes' allocator leaves new elements unset, so the spare room costs
    // nothing to make.
    into.resize(start + rest.size() / 2);
    const std::size_t digits = DecodePlainHexPairs(rest, into.data() + start);
    into.resize(start + digits / 2);
    if (!lineReleased_ && held_.size() == kHeldLineBytes) {
        Release(out);
    }
    return digits;
}

HexStreamReader::State HexStreamReader::Read(std::span<const std::uint8_t> text, Bytes& out) {
    std::size_t i = 0;
    while (i < text.size() && state_ == State::Reading) {
        const std::uint8_t c = text[i];
        const int value = hex::DigitValue(static_cast<char>(c));
        if (value >= 0) {
            anyDigits_ = lineHasDigit_ = true;
            if (nibble_ < 0) {
                // The usual case, a pair's first digit: a run of pairs at
                // once (up to a step or the release point, and the loop
                // comes back for more), one digit only where the run is one.
                const std::size_t taken = ReadPairs(text.subspan(i), out);
                if (taken == 0) {
                    nibble_ = value;
                    ++i;
                }
                i += taken;
                continue;
            }
            const auto byte = static_cast<std::uint8_t>(nibble_ * 16 + value);
            nibble_ = -1;
            if (lineReleased_) {
                out.push_back(byte);
            } else {
                held_.push_back(byte);
                if (held_.size() == kHeldLineBytes) {
                    Release(out);
                }
            }
        } else if (c == '\n' || c == '\r') {
            EndLine(out);
        } else if (c == ' ' || c == '\t' || (c == '>' && !lineHasDigit_)) {
            // Skipped.
        } else if (lineReleased_) {
            state_ = State::Malformed;
        } else {
            held_.clear();
            nibble_ = lineStartNibble_;
            state_ = State::Ended;
        }
        ++i;
    }
    return state_;
}

void HexStreamReader::Finish(Bytes& out) {
    if (state_ == State::Reading) {
        EndLine(out);
    }
    if (state_ != State::Malformed && nibble_ >= 0) {
        out.push_back(static_cast<std::uint8_t>(nibble_));
        nibble_ = -1;
    }
}

}  // namespace zelvora::cli
