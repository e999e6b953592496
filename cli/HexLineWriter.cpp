#include "cli/HexLineWriter.h"

#include <algorithm>
#include <array>
#include <cstring>

namespace zelvora::cli {
namespace {

// Ciphertext arrives a sealed chunk at a time; larger pieces go out in
// parts, so the text buffer stays near this size.
constexpr std::size_t kBytesPerPart = 64 * 1024;
constexpr std::array<std::array<std::uint8_t, 2>, 256> MakeDigitPairs() {
    constexpr char digits[] = "0123456789ABCDEF";
    std::array<std::array<std::uint8_t, 2>, 256> pairs{};
    for (std::size_t v = 0; v < pairs.size(); ++v) {
        pairs[v] = {static_cast<std::uint8_t>(digits[v >> 4]),
                    static_cast<std::uint8_t>(digits[v & 0xF])};
    }
    return pairs;
}
constexpr auto kDigitPairs = MakeDigitPairs();

}  // namespace

int HexLineWriter::Write(std::span<const std::uint8_t> bytes) {
    while (!bytes.empty()) {
        const auto part = bytes.first(std::min(bytes.size(), kBytesPerPart));
        bytes = bytes.subspan(part.size());
        // Both digits of a byte at once, then the lines cut from them.
        digits_.resize(2 * part.size());
        std::uint8_t* at = digits_.data();
        for (const std::uint8_t byte : part) {
            std::memcpy(at, kDigitPairs[byte].data(), 2);
            at += 2;
        }
        if (wrap_ == 0) {
            column_ += digits_.size();
            if (const int failure = out_(digits_); failure != 0) {
                return failure;
            }
            continue;
        }
        text_.resize(digits_.size() + digits_.size() / wrap_ + 1);
        at = text_.data();
        for (std::size_t from = 0; from < digits_.size();) {
            const std::size_t take = std::min(wrap_ - column_, digits_.size() - from);
            at = std::copy_n(digits_.data() + from, take, at);
            from += take;
            column_ += take;
            if (column_ == wrap_) {
                *at++ = '\n';
                column_ = 0;
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
