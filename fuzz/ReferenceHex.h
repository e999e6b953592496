#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace zelvora::fuzz {

// The hex pair rule written out the plain way, one code unit at a time, to
// hold the real codec against: text is read two code units at a time;
// blanks, tabs and line feeds within a pair are dropped; what is left is
// read as a hex number from the left up to the first non-digit, and an odd
// last code unit forms a pair of its own.
inline int ReferenceDigit(std::uint32_t c) {
    if (c >= '0' && c <= '9') {
        return static_cast<int>(c - '0');
    }
    if (c >= 'A' && c <= 'F') {
        return static_cast<int>(c - 'A' + 10);
    }
    if (c >= 'a' && c <= 'f') {
        return static_cast<int>(c - 'a' + 10);
    }
    return -1;
}

inline std::vector<std::uint8_t> ReferenceHexToBytes(const std::vector<std::uint32_t>& text) {
    std::vector<std::uint8_t> bytes;
    for (std::size_t i = 0; i < text.size(); i += 2) {
        std::vector<std::uint32_t> kept;
        for (std::size_t j = i; j < i + 2 && j < text.size(); ++j) {
            if (text[j] != ' ' && text[j] != '\t' && text[j] != '\n') {
                kept.push_back(text[j]);
            }
        }
        unsigned value = 0;
        for (const std::uint32_t c : kept) {
            const int digit = ReferenceDigit(c);
            if (digit < 0) {
                break;
            }
            value = value * 16 + static_cast<unsigned>(digit);
        }
        bytes.push_back(static_cast<std::uint8_t>(value));
    }
    return bytes;
}

}  // namespace zelvora::fuzz
