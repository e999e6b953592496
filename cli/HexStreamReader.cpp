#include "cli/HexStreamReader.h"

#include "base/HexDigits.h"

namespace zelvora::cli {
namespace {

// Far wider than a greeting or a signature line, far narrower than the
// ciphertext of a message that needs reading as it streams.
constexpr std::size_t kHeldLineBytes = 4096;

}  // namespace

void HexStreamReader::EndLine(Bytes& out) {
    out.insert(out.end(), held_.begin(), held_.end());
    held_.clear();
    lineHasDigit_ = false;
    lineReleased_ = false;
    lineStartNibble_ = nibble_;
}

HexStreamReader::State HexStreamReader::Read(std::span<const std::uint8_t> text, Bytes& out) {
    for (const std::uint8_t c : text) {
        if (state_ != State::Reading) {
            break;
        }
        const int value = hex::DigitValue(static_cast<char>(c));
        if (value >= 0) {
            anyDigits_ = lineHasDigit_ = true;
            if (nibble_ < 0) {
                nibble_ = value;
                continue;
            }
            const auto byte = static_cast<std::uint8_t>(nibble_ * 16 + value);
            nibble_ = -1;
            if (lineReleased_) {
                out.push_back(byte);
            } else {
                held_.push_back(byte);
                if (held_.size() == kHeldLineBytes) {
                    out.insert(out.end(), held_.begin(), held_.end());
                    held_.clear();
                    lineReleased_ = true;
                }
            }
        } else if (c == '\n' || c == '\r') {
            EndLine(out);
        } else if (c == ' ' || c == '\t' || (c == '>' && !lineHasDigit_)) {
            continue;
        } else if (lineReleased_) {
            state_ = State::Malformed;
        } else {
            held_.clear();
            nibble_ = lineStartNibble_;
            state_ = State::Ended;
        }
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
