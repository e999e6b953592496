#include "cli/PrintableText.h"

namespace zelvora::cli {
namespace {

// A lone carriage return sends the cursor back to overwrite the line;
// within CR LF it only ends the line.
bool IsPrintableAscii(std::span<const std::uint8_t> bytes, std::size_t at) {
    const std::uint8_t c = bytes[at];
    if (c == '\r') {
        return at + 1 < bytes.size() && bytes[at + 1] == '\n';
    }
    return (c >= 0x20 && c != 0x7F) || c == '\t' || c == '\n';
}

// C1 controls (U+0080 to U+009F) act on terminals as C0 ones do. The
// bidirectional marks, embeddings, overrides and isolates (Unicode UAX #9)
// make a terminal show text in another order than it has, so a message
// could pass off one text as another.
bool IsControlCharacter(std::uint32_t value) {
    return (value >= 0x80 && value <= 0x9F) || value == 0x200E || value == 0x200F ||
           (value >= 0x202A && value <= 0x202E) || (value >= 0x2066 && value <= 0x2069);
}

}  // namespace

bool IsPrintableText(std::span<const std::uint8_t> bytes) {
    std::size_t i = 0;
    while (i < bytes.size()) {
        const std::uint8_t lead = bytes[i];
        if (lead < 0x80) {
            if (!IsPrintableAscii(bytes, i)) {
                return false;
            }
            ++i;
            continue;
        }
        // The sequence length from its lead byte; overlong forms, surrogates
        // and values beyond U+10FFFF are not UTF-8 (RFC 3629).
        std::size_t length = 0;
        std::uint32_t value = 0;
        if (lead >= 0xC2 && lead <= 0xDF) {
            length = 2;
            value = lead & 0x1F;
        } else if (lead >= 0xE0 && lead <= 0xEF) {
            length = 3;
            value = lead & 0x0F;
        } else if (lead >= 0xF0 && lead <= 0xF4) {
            length = 4;
            value = lead & 0x07;
        } else {
            return false;
        }
        if (bytes.size() - i < length) {
            return false;
        }
        for (std::size_t k = 1; k < length; ++k) {
            if ((bytes[i + k] & 0xC0) != 0x80) {
                return false;
            }
            value = (value << 6) | (bytes[i + k] & 0x3F);
        }
        const bool overlong = (length == 3 && value < 0x800) || (length == 4 && value < 0x10000);
        if (overlong || (value >= 0xD800 && value <= 0xDFFF) || value > 0x10FFFF ||
            IsControlCharacter(value)) {
            return false;
        }
        i += length;
    }
    return true;
}

}  // namespace zelvora::cli
