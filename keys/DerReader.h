#pragma once

#include <cstdint>
#include <optional>
#include <span>

namespace zelvora {

// Walks the elements of DER-encoded data (ITU-T X.690) as key blobs use it:
// one-byte tags and definite lengths in their shortest form. Everything else
// DER forbids or key blobs never contain is refused, so a key has exactly one
// accepted encoding and no reader can be led past the end of its input.
class DerReader {
public:
    using Span = std::span<const std::uint8_t>;

    static constexpr std::uint8_t kInteger = 0x02;
    static constexpr std::uint8_t kBitString = 0x03;
    static constexpr std::uint8_t kOctetString = 0x04;
    static constexpr std::uint8_t kNull = 0x05;
    static constexpr std::uint8_t kObjectId = 0x06;
    static constexpr std::uint8_t kSequence = 0x30;

    struct Element {
        std::uint8_t tag = 0;
        Span content;
    };

    explicit DerReader(Span data) : rest_(data) {}

    bool AtEnd() const { return rest_.empty(); }
    // What is left to read, header bytes included.
    Span Rest() const { return rest_; }
    // The tag of the next element, without consuming it.
    std::optional<std::uint8_t> PeekTag() const;
    // The next element, whatever its tag; nothing if it is not well-formed.
    std::optional<Element> Next();
    // The content of the next element if it is well-formed and has `tag`;
    // otherwise nothing is consumed.
    std::optional<Span> Read(std::uint8_t tag);
    // The next element as an INTEGER greater than zero: its magnitude,
    // big-endian, without the sign byte DER puts before a set top bit.
    std::optional<Span> ReadPositiveInteger();
    // The next element as an INTEGER from 0 to 127, as version fields are.
    std::optional<std::uint8_t> ReadSmallInteger();

    // True when `data` is exactly one element in the strict form above, and
    // so is every element nested in it: definite lengths in their shortest
    // form throughout, and every INTEGER in its shortest form and not
    // negative, as every number in a key is. Bytes wrapped in a BIT STRING
    // or OCTET STRING are not looked into; the caller checks those it knows.
    static bool IsOneStrictElement(Span data);

private:
    Span rest_;
};

}  // namespace zelvora
