#include "cli/HexLineWriter.h"

#include <algorithm>

namespace zelvora::cli {
namespace {

// Ciphertext arrives a sealed chunk at a time; larger pieces go out in
// parts, so the text buffer stays near this size.
constexpr std::size_t kBytesPerPart = 64 * 1024;
constexpr char kDigits[] = "0123456789ABCDEF";

}  // namespace

int HexLineWriter::Write(std::span<const std::uint8_t> bytes) {
    while (!bytes.empty()) {
        const auto part = bytes.first(std::min(bytes.size(), kBytesPerPart));
        bytes = bytes.subspan(part.size());
        const std::size_t digits = 2 * part.size();
        text_.resize(digits + (wrap_ == 0 ? 0 : digits / wrap_ + 1));
        std::uint8_t* at = text_.data();
        for (const std::uint8_t byte : part) {
            for (const std::uint8_t digit : {kDigits[byte >> 4], kDigits[byte & 0xF]}) {
                *at++ = digit;
                if (++column_ == wrap_) {
                    *at++ = '\n';
                    column_ = 0;
                }
            }
        }
        if (const int failure = out_(std::span(text_.data(), at)); failure != 0) {
            return failure;
        }
    }
    return 0;
}

int HexLineWriter::Finish() {
    // A text that ended with a full line has its line feed already. Without
    // --wrap, column_ never comes back to 0.
    if (column_ == 0 && wrap_ != 0) {
        return 0;
    }
    column_ = 0;
    static constexpr std::uint8_t kLineFeed[] = {'\n'};
    return out_(kLineFeed);
}

}  // namespace zelvora::cli
