#include "cli/PrintableText.h"

namespace zelvora::cli {

bool IsPrintableText(std::span<const std::uint8_t> bytes) {
    std::size_t i = 0;
    while (i < bytes.size()) {
        const std::uint8_t lead = bytes[i];
        if (lead < 0x80) {
            if ((lead < 0x20 && lead != '\t' && lead != '\n' && lead != '\r') || lead == 0x7F) {
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
        // C1 controls (U+0080 to U+009F) act on terminals as C0 ones do.
        if (overlong || (value >= 0xD800 && value <= 0xDFFF) || value > 0x10FFFF ||
            (value >= 0x80 && value <= 0x9F)) {
            return false;
        }
        i += length;
    }
    return true;
}

}  // namespace zelvora::cli
