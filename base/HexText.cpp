#include "base/HexText.h"

#include "base/CiphertextDigits.h"
#include "base/HexDigits.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstring>
#include <type_traits>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace zelvora {
namespace {

// Both digits of every byte value, packed as the two UTF-16 code units that
// BytesToHex stores, so each byte costs one table load and one store.
constexpr std::array<std::uint32_t, 256> MakeDigitPairs() {
    constexpr char digits[] = "0123456789ABCDEF";
    std::array<std::uint32_t, 256> table{};
    for (unsigned v = 0; v < 256; ++v) {
        const auto high = static_cast<std::uint32_t>(digits[v >> 4]);
        const auto low = static_cast<std::uint32_t>(digits[v & 0xF]);
        // Little and big endian differ in which half lands first in memory.
        if constexpr (std::endian::native == std::endian::little) {
            table[v] = high | (low << 16);
        } else {
            table[v] = (high << 16) | low;
        }
    }
    return table;
}
constexpr auto kDigitPairs = MakeDigitPairs();

using hex::DigitValue;

template <class Char>
bool IsDropped(Char c) {
    return c == Char(' ') || c == Char('\t') || c == Char('\n');
}

// The general pair rule, for pairs that are not two plain digits.
template <class Char>
std::uint8_t ReadPair(const Char* pair, std::size_t length) {
    Char kept[2];
    std::size_t count = 0;
    for (std::size_t i = 0; i < length; ++i) {
        if (!IsDropped(pair[i])) {
            kept[count++] = pair[i];
        }
    }
    if (count == 0) {
        return 0;
    }
    const int first = DigitValue(kept[0]);
    if (first < 0) {
        return 0;
    }
    if (count == 2) {
        const int second = DigitValue(kept[1]);
        if (second >= 0) {
            return static_cast<std::uint8_t>(first * 16 + second);
        }
    }
    return static_cast<std::uint8_t>(first);
}

#if defined(__SSE2__)
// Sixteen code units as sixteen single bytes. Anything above 0x7F stays
// outside the hex digits: the pack saturates 0x100 and up to 0xFF and
// negative (0x8000 and up) to 0.
inline __m128i LoadSixteen(const char* text) {
    return _mm_loadu_si128(reinterpret_cast<const __m128i*>(text));
}
inline __m128i LoadSixteen(const char16_t* text) {
    const auto* at = reinterpret_cast<const __m128i*>(text);
    return _mm_packus_epi16(_mm_loadu_si128(at), _mm_loadu_si128(at + 1));
}

// Eight bytes from sixteen hex digits, one per 16-bit lane, and a mask with
// bit i set when character i is a plain digit; a pair with a non-digit in
// it gets a byte that means nothing.
inline unsigned ReadSixteen(__m128i chars, __m128i& lanes) {
    const __m128i digit = _mm_sub_epi8(chars, _mm_set1_epi8('0'));
    const __m128i isDigit = _mm_cmpeq_epi8(_mm_min_epu8(digit, _mm_set1_epi8(9)), digit);
    // Setting bit 5 turns upper-case letters into lower-case ones.
    const __m128i letter =
        _mm_sub_epi8(_mm_or_si128(chars, _mm_set1_epi8(0x20)), _mm_set1_epi8('a'));
    const __m128i isLetter = _mm_cmpeq_epi8(_mm_min_epu8(letter, _mm_set1_epi8(5)), letter);
    const __m128i values =
        _mm_or_si128(_mm_and_si128(isDigit, digit),
                     _mm_and_si128(isLetter, _mm_add_epi8(letter, _mm_set1_epi8(10))));
    // Little endian: the first digit of each pair is the low byte of a lane.
    const __m128i high = _mm_and_si128(values, _mm_set1_epi16(0x00FF));
    lanes = _mm_or_si128(_mm_slli_epi16(high, 4), _mm_srli_epi16(values, 8));
    return static_cast<unsigned>(_mm_movemask_epi8(_mm_or_si128(isDigit, isLetter)));
}

// The same, false when any of the sixteen is not a plain digit.
inline bool DecodeSixteen(__m128i chars, __m128i& lanes) {
    return ReadSixteen(chars, lanes) == 0xFFFF;
}

// Decodes 32 code units into 16 bytes when all of them are plain digits,
// the usual case, which then costs a few instructions per byte.
template <class Char>
bool DecodeThirtyTwo(const Char* text, std::uint8_t* out) {
    __m128i first;
    __m128i second;
    if (!DecodeSixteen(LoadSixteen(text), first) ||
        !DecodeSixteen(LoadSixteen(text + 16), second)) {
        return false;
    }
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out), _mm_packus_epi16(first, second));
    return true;
}
#endif

// Pairs [from, to) one at a time.
template <class Char>
void DecodePairs(const Char* text, std::size_t from, std::size_t to, std::uint8_t* out) {
    for (std::size_t k = from; k < to; ++k) {
        const int high = DigitValue(text[2 * k]);
        const int low = DigitValue(text[2 * k + 1]);
        if ((high | low) >= 0) {
            out[k] = static_cast<std::uint8_t>((high << 4) | low);
        } else {
            out[k] = ReadPair(text + 2 * k, 2);
        }
    }
}

template <class Char>
void DecodeInto(const Char* text, std::size_t n, std::uint8_t* out) {
    const std::size_t pairs = n / 2;
    std::size_t k = 0;
#if defined(__SSE2__)
    // A block with anything but plain digits in it goes pair by pair, which
    // gives the same bytes for plain digits.
    for (; k + 16 <= pairs; k += 16) {
        if (!DecodeThirtyTwo(text + 2 * k, out + k)) {
            DecodePairs(text, k, k + 16, out);
        }
    }
#endif
    DecodePairs(text, k, pairs, out);
    if (n % 2 != 0) {
        out[pairs] = ReadPair(text + n - 1, 1);
    }
}

template <class Out, class Char>
Out Decode(const Char* text, std::size_t n) {
    Out out((n + 1) / 2);
    DecodeInto(text, n, out.data());
    return out;
}

// Both digits of every byte value as two single-byte characters.
constexpr std::array<std::array<char, 2>, 256> MakeNarrowPairs() {
    constexpr char digits[] = "0123456789ABCDEF";
    std::array<std::array<char, 2>, 256> table{};
    for (unsigned v = 0; v < 256; ++v) {
        table[v] = {digits[v >> 4], digits[v & 0xF]};
    }
    return table;
}
constexpr auto kNarrowPairs = MakeNarrowPairs();

template <class Out>
Out EncodeNarrow(std::span<const std::uint8_t> bytes) {
    Out text(bytes.size() * 2);
    auto* out = text.data();
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        std::memcpy(out + 2 * i, kNarrowPairs[bytes[i]].data(), 2);
    }
    return text;
}

// Ciphertext is pure hex, but mail and chat programs wrap long lines and add
// a final line break when the user copies it. Those characters would shift
// every later digit pair, so they go before the text is read.
template <class Char>
bool IsGap(Char c) {
    return c == Char(' ') || c == Char('\t') || c == Char('\r') || c == Char('\n');
}

bool IsLineEnd(std::uint8_t c) {
    return c == '\r' || c == '\n';
}

constexpr unsigned kHasOther = 1;  // anything but hex digits and gaps
constexpr unsigned kHasGap = 2;

// What single-byte text holds besides hex digits, in one pass that runs
// at memory speed over megabytes of ciphertext.
unsigned Classify(std::span<const std::uint8_t> text) {
    unsigned found = 0;
    std::size_t i = 0;
#if defined(__SSE2__)
    __m128i others = _mm_setzero_si128();
    __m128i gaps = _mm_setzero_si128();
    for (; i + 16 <= text.size(); i += 16) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(text.data() + i));
        // As DecodeSixteen tells digits: '0' to '9', and letters A to F in
        // either case; bytes above 0x7F are neither.
        const __m128i digit = _mm_sub_epi8(v, _mm_set1_epi8('0'));
        const __m128i isDigit = _mm_cmpeq_epi8(_mm_min_epu8(digit, _mm_set1_epi8(9)), digit);
        const __m128i letter =
            _mm_sub_epi8(_mm_or_si128(v, _mm_set1_epi8(0x20)), _mm_set1_epi8('a'));
        const __m128i isLetter = _mm_cmpeq_epi8(_mm_min_epu8(letter, _mm_set1_epi8(5)), letter);
        const __m128i gap = _mm_or_si128(_mm_or_si128(_mm_cmpeq_epi8(v, _mm_set1_epi8(' ')),
                                                      _mm_cmpeq_epi8(v, _mm_set1_epi8('\t'))),
                                         _mm_or_si128(_mm_cmpeq_epi8(v, _mm_set1_epi8('\r')),
                                                      _mm_cmpeq_epi8(v, _mm_set1_epi8('\n'))));
        gaps = _mm_or_si128(gaps, gap);
        others = _mm_or_si128(others,
                              _mm_andnot_si128(_mm_or_si128(_mm_or_si128(isDigit, isLetter), gap),
                                               _mm_set1_epi8(-1)));
    }
    found |= _mm_movemask_epi8(others) != 0 ? kHasOther : 0;
    found |= _mm_movemask_epi8(gaps) != 0 ? kHasGap : 0;
#endif
    for (; i < text.size(); ++i) {
        const bool gap = IsGap(text[i]);
        found |= gap ? kHasGap : 0;
        found |= !gap && DigitValue(static_cast<char>(text[i])) < 0 ? kHasOther : 0;
    }
    return found;
}

}  // namespace

void WriteHexUtf16(std::span<const std::uint8_t> bytes, char16_t* text) {
    auto* out = reinterpret_cast<char*>(text);
    std::size_t i = 0;
#if defined(__SSE2__)
    // Sixteen bytes at a time: split into nibbles, turn each into its ASCII
    // digit, interleave high and low, and widen to UTF-16 with zeros.
    if constexpr (std::endian::native == std::endian::little) {
        const __m128i mask = _mm_set1_epi8(0x0F);
        const __m128i nine = _mm_set1_epi8(9);
        const __m128i zero = _mm_set1_epi8('0');
        const __m128i letters = _mm_set1_epi8('A' - '0' - 10);
        const auto digits = [&](__m128i nibbles) {
            const __m128i above = _mm_cmpgt_epi8(nibbles, nine);
            return _mm_add_epi8(_mm_add_epi8(nibbles, zero), _mm_and_si128(above, letters));
        };
        const __m128i none = _mm_setzero_si128();
        for (; i + 16 <= bytes.size(); i += 16) {
            const __m128i in = _mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes.data() + i));
            const __m128i high = digits(_mm_and_si128(_mm_srli_epi16(in, 4), mask));
            const __m128i low = digits(_mm_and_si128(in, mask));
            const __m128i first = _mm_unpacklo_epi8(high, low);
            const __m128i second = _mm_unpackhi_epi8(high, low);
            auto* to = reinterpret_cast<__m128i*>(out + 4 * i);
            _mm_storeu_si128(to, _mm_unpacklo_epi8(first, none));
            _mm_storeu_si128(to + 1, _mm_unpackhi_epi8(first, none));
            _mm_storeu_si128(to + 2, _mm_unpacklo_epi8(second, none));
            _mm_storeu_si128(to + 3, _mm_unpackhi_epi8(second, none));
        }
    }
#endif
    for (; i < bytes.size(); ++i) {
        std::memcpy(out + 4 * i, &kDigitPairs[bytes[i]], 4);
    }
}

Bytes HexToBytes(std::u16string_view text) {
    return Decode<Bytes>(text.data(), text.size());
}

Bytes HexToBytes(std::string_view text) {
    return Decode<Bytes>(text.data(), text.size());
}

SecureBytes HexToSecureBytes(std::string_view text) {
    return Decode<SecureBytes>(text.data(), text.size());
}

std::size_t DecodePlainHexPairs(std::string_view text, std::uint8_t* out) {
    const char* digits = text.data();
    const std::size_t pairs = text.size() / 2;
    std::size_t k = 0;
#if defined(__SSE2__)
    for (; k + 16 <= pairs; k += 16) {
        if (!DecodeThirtyTwo(digits + 2 * k, out + k)) {
            // The block where the run ends, as a line end ends it: all of it
            // decoded, and its pairs of digits kept.
            __m128i first;
            __m128i second;
            const unsigned plain = ReadSixteen(LoadSixteen(digits + 2 * k), first) |
                                   (ReadSixteen(LoadSixteen(digits + 2 * k + 16), second) << 16);
            _mm_storeu_si128(reinterpret_cast<__m128i*>(out + k), _mm_packus_epi16(first, second));
            return 2 * k + (static_cast<std::size_t>(std::countr_one(plain)) & ~std::size_t{1});
        }
    }
    // Fewer than 32 characters left in the text.
    __m128i lanes;
    if (k + 8 <= pairs && DecodeSixteen(LoadSixteen(digits + 2 * k), lanes)) {
        _mm_storel_epi64(reinterpret_cast<__m128i*>(out + k), _mm_packus_epi16(lanes, lanes));
        k += 8;
    }
#endif
    for (; k < pairs; ++k) {
        const int high = DigitValue(digits[2 * k]);
        const int low = DigitValue(digits[2 * k + 1]);
        if ((high | low) < 0) {
            break;
        }
        out[k] = static_cast<std::uint8_t>((high << 4) | low);
    }
    return 2 * k;
}

Bytes HexDigits(std::span<const std::uint8_t> bytes) {
    return EncodeNarrow<Bytes>(bytes);
}

SecureBytes SecretHexDigits(std::span<const std::uint8_t> bytes) {
    return EncodeNarrow<SecureBytes>(bytes);
}

// Gaps at either end only, the usual case (one line and its line break),
// are cut off rather than copied around.
template <class Text>
Text Trimmed(Text text) {
    auto from = text.begin();
    auto to = text.end();
    while (from != to && IsGap(*from)) {
        ++from;
    }
    while (from != to && IsGap(*(to - 1))) {
        --to;
    }
    return Text(text.data() + (from - text.begin()), to - from);
}

Bytes CiphertextFromText(std::u16string_view text) {
    // Whatever copy finding the digits takes is gone before they are read.
    std::u16string scratch;
    const std::u16string_view digits = CiphertextDigits(text, scratch);
    return HexToBytes(digits);
}

Bytes CiphertextFromText(std::span<const std::uint8_t> pasted) {
    const std::span<const std::uint8_t> text = Trimmed(pasted);
    const unsigned found = Classify(text);
    if ((found & kHasOther) != 0) {
        // Quote markers, greetings, Unicode blanks: the clipboard's rule, on
        // the text as UTF-8. Hex digits and gaps alone, the usual case, are
        // all one ciphertext by that rule too, and are read in place below.
        return CiphertextFromText(std::u16string_view(Utf16FromUtf8(pasted)));
    }
    const auto narrow = [](std::span<const std::uint8_t> part) {
        return std::string_view(reinterpret_cast<const char*>(part.data()), part.size());
    };
    if ((found & kHasGap) == 0) {
        return HexToBytes(narrow(text));
    }
    Bytes kept(text.size());
    kept.resize(
        static_cast<std::size_t>(std::remove_copy_if(text.begin(), text.end(), kept.begin(),
                                                     [](std::uint8_t c) { return IsGap(c); }) -
                                 kept.begin()));
    return HexToBytes(narrow(kept));
}

SecureBytes KeyFileLinesToBytes(SecureBytes text) {
    // CR LF, a lone CR and a lone LF all end a line; line ends are dropped and
    // the lines joined with nothing between them.
    text.erase(std::remove_if(text.begin(), text.end(), IsLineEnd), text.end());
    return Decode<SecureBytes>(reinterpret_cast<const char*>(text.data()), text.size());
}

std::u16string Utf16FromUtf8(std::span<const std::uint8_t> text) {
    std::u16string out;
    out.reserve(text.size());
    std::size_t i = 0;
    while (i < text.size()) {
        const std::uint8_t lead = text[i];
        if (lead < 0x80) {
            out.push_back(lead);
            ++i;
            continue;
        }
        // The length a lead byte announces and the range its first
        // continuation byte must fall in, which rules out overlong forms,
        // surrogates and values past U+10FFFF (RFC 3629, section 4).
        std::size_t length = 0;
        std::uint8_t low = 0x80;
        std::uint8_t high = 0xBF;
        char32_t value = 0;
        if (lead >= 0xC2 && lead <= 0xDF) {
            length = 2;
            value = lead & 0x1F;
        } else if (lead >= 0xE0 && lead <= 0xEF) {
            length = 3;
            value = lead & 0x0F;
            low = lead == 0xE0 ? 0xA0 : 0x80;
            high = lead == 0xED ? 0x9F : 0xBF;
        } else if (lead >= 0xF0 && lead <= 0xF4) {
            length = 4;
            value = lead & 0x07;
            low = lead == 0xF0 ? 0x90 : 0x80;
            high = lead == 0xF4 ? 0x8F : 0xBF;
        }
        std::size_t used = 1;
        while (length != 0 && used < length && i + used < text.size()) {
            const std::uint8_t next = text[i + used];
            if (next < (used == 1 ? low : 0x80) || next > (used == 1 ? high : 0xBF)) {
                break;
            }
            value = (value << 6) | (next & 0x3F);
            ++used;
        }
        if (length == 0 || used != length) {
            // One replacement per byte read, as the window's text type
            // does, so a file and the clipboard read the same bytes alike.
            out.append(used, u'\uFFFD');
        } else if (value >= 0x10000) {
            out.push_back(static_cast<char16_t>(0xD800 + ((value - 0x10000) >> 10)));
            out.push_back(static_cast<char16_t>(0xDC00 + ((value - 0x10000) & 0x3FF)));
        } else {
            out.push_back(static_cast<char16_t>(value));
        }
        i += used;
    }
    return out;
}

}  // namespace zelvora
