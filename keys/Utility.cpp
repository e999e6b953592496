#include "keys/Utility.h"

#include "keys/HexDigits.h"

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

// Eight bytes from sixteen hex digits, one per 16-bit lane; false when any
// of the sixteen is not a plain digit.
inline bool DecodeSixteen(__m128i chars, __m128i& lanes) {
    const __m128i digit = _mm_sub_epi8(chars, _mm_set1_epi8('0'));
    const __m128i isDigit = _mm_cmpeq_epi8(_mm_min_epu8(digit, _mm_set1_epi8(9)), digit);
    // Setting bit 5 turns upper-case letters into lower-case ones.
    const __m128i letter =
        _mm_sub_epi8(_mm_or_si128(chars, _mm_set1_epi8(0x20)), _mm_set1_epi8('a'));
    const __m128i isLetter = _mm_cmpeq_epi8(_mm_min_epu8(letter, _mm_set1_epi8(5)), letter);
    if (_mm_movemask_epi8(_mm_or_si128(isDigit, isLetter)) != 0xFFFF) {
        return false;
    }
    const __m128i values =
        _mm_or_si128(_mm_and_si128(isDigit, digit),
                     _mm_and_si128(isLetter, _mm_add_epi8(letter, _mm_set1_epi8(10))));
    // Little endian: the first digit of each pair is the low byte of a lane.
    const __m128i high = _mm_and_si128(values, _mm_set1_epi16(0x00FF));
    lanes = _mm_or_si128(_mm_slli_epi16(high, 4), _mm_srli_epi16(values, 8));
    return true;
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

}  // namespace

QString BytesToHex(std::span<const std::uint8_t> bytes) {
    QString text(static_cast<qsizetype>(bytes.size() * 2), Qt::Uninitialized);
    auto* out = reinterpret_cast<char*>(text.data());
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        std::memcpy(out + 4 * i, &kDigitPairs[bytes[i]], 4);
    }
    return text;
}

Bytes HexToBytes(QStringView text) {
    return Decode<Bytes>(text.utf16(), static_cast<std::size_t>(text.size()));
}

Bytes HexToBytes(std::string_view text) {
    return Decode<Bytes>(text.data(), text.size());
}

SecureBytes HexToSecureBytes(std::string_view text) {
    return Decode<SecureBytes>(text.data(), text.size());
}

}  // namespace zelvora
