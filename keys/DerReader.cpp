#include "keys/DerReader.h"

#include <cstddef>

namespace zelvora {
namespace {

// Longest length field accepted: four bytes already allow 4 GiB, far beyond
// any key, and keep the arithmetic below free of overflow.
constexpr std::size_t kMaxLengthBytes = 4;
// Constructed elements nest no deeper than this in any key structure; the
// bound keeps a hostile blob from exhausting the stack.
constexpr int kMaxDepth = 8;
constexpr std::uint8_t kConstructed = 0x20;

bool AllStrict(DerReader::Span data, int depth) {
    DerReader reader(data);
    while (!reader.AtEnd()) {
        const auto element = reader.Next();
        if (!element) {
            return false;
        }
        if ((element->tag & kConstructed) != 0) {
            if (depth >= kMaxDepth || !AllStrict(element->content, depth + 1)) {
                return false;
            }
        } else if (element->tag == DerReader::kInteger) {
            const DerReader::Span value = element->content;
            // Empty, negative, or a zero byte that keeps no top bit clear.
            if (value.empty() || (value[0] & 0x80) != 0 ||
                (value[0] == 0 && value.size() > 1 && (value[1] & 0x80) == 0)) {
                return false;
            }
        }
    }
    return true;
}

}  // namespace

bool DerReader::IsOneStrictElement(Span data) {
    DerReader reader(data);
    return reader.Next() && reader.AtEnd() && AllStrict(data, 0);
}

std::optional<std::uint8_t> DerReader::PeekTag() const {
    if (rest_.empty()) {
        return std::nullopt;
    }
    return rest_[0];
}

std::optional<DerReader::Element> DerReader::Next() {
    if (rest_.size() < 2) {
        return std::nullopt;
    }
    const std::uint8_t tag = rest_[0];
    // Tag number 31 announces a multi-byte tag; key blobs never use one.
    if ((tag & 0x1F) == 0x1F) {
        return std::nullopt;
    }
    std::size_t length = rest_[1];
    std::size_t header = 2;
    if (length >= 0x80) {
        const std::size_t count = length & 0x7F;
        // 0x80 alone is the indefinite length of BER, which DER forbids.
        if (count == 0 || count > kMaxLengthBytes || rest_.size() - header < count) {
            return std::nullopt;
        }
        // The shortest form: no leading zero byte, and the short form for
        // anything below 128.
        if (rest_[header] == 0) {
            return std::nullopt;
        }
        length = 0;
        for (std::size_t i = 0; i < count; ++i) {
            length = (length << 8) | rest_[header + i];
        }
        if (length < 0x80) {
            return std::nullopt;
        }
        header += count;
    }
    if (rest_.size() - header < length) {
        return std::nullopt;
    }
    const Element element{tag, rest_.subspan(header, length)};
    rest_ = rest_.subspan(header + length);
    return element;
}

std::optional<DerReader::Span> DerReader::Read(std::uint8_t tag) {
    DerReader probe = *this;
    const auto element = probe.Next();
    if (!element || element->tag != tag) {
        return std::nullopt;
    }
    *this = probe;
    return element->content;
}

std::optional<DerReader::Span> DerReader::ReadPositiveInteger() {
    DerReader probe = *this;
    auto content = probe.Read(kInteger);
    if (!content || content->empty()) {
        return std::nullopt;
    }
    Span value = *content;
    // A set top bit makes the number negative.
    if ((value[0] & 0x80) != 0) {
        return std::nullopt;
    }
    if (value[0] == 0) {
        // A leading zero is only allowed to keep a set top bit positive.
        if (value.size() == 1 || (value[1] & 0x80) == 0) {
            return std::nullopt;  // zero itself, or a redundant zero byte
        }
        value = value.subspan(1);
    }
    *this = probe;
    return value;
}

std::optional<std::uint8_t> DerReader::ReadSmallInteger() {
    DerReader probe = *this;
    const auto content = probe.Read(kInteger);
    if (!content || content->size() != 1 || ((*content)[0] & 0x80) != 0) {
        return std::nullopt;
    }
    *this = probe;
    return (*content)[0];
}

}  // namespace zelvora
