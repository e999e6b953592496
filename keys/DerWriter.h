#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

namespace zelvora::der {

// The few pieces of DER (ITU-T X.690) that key encoding needs, appended to
// any byte vector: a SecureBytes for private key material, so that a buffer
// that grows wipes the block it leaves.

// A length (section 8.1.3): the short form below 128, else the count of
// big-endian bytes, then the bytes.
template <class Buffer>
void AppendLength(Buffer& out, std::size_t length) {
    if (length < 0x80) {
        out.push_back(static_cast<std::uint8_t>(length));
        return;
    }
    std::uint8_t digits[sizeof(std::size_t)];
    std::size_t count = 0;
    for (std::size_t rest = length; rest != 0; rest >>= 8) {
        digits[count++] = static_cast<std::uint8_t>(rest & 0xFF);
    }
    out.push_back(static_cast<std::uint8_t>(0x80 | count));
    while (count > 0) {
        out.push_back(digits[--count]);
    }
}

// A tag and the length of the content that the caller appends next.
template <class Buffer>
void AppendHeader(Buffer& out, std::uint8_t tag, std::size_t length) {
    out.push_back(tag);
    AppendLength(out, length);
}

template <class Buffer>
void AppendElement(Buffer& out, std::uint8_t tag, std::span<const std::uint8_t> content) {
    AppendHeader(out, tag, content.size());
    out.insert(out.end(), content.begin(), content.end());
}

}  // namespace zelvora::der
