#include "keys/Utility.h"

#include <array>
#include <bit>
#include <cstring>
#include <type_traits>

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

// Value of a hex digit, or -1 for anything else (all code units above 0x7F).
constexpr std::array<std::int8_t, 128> MakeDigitValues() {
    std::array<std::int8_t, 128> table{};
    for (auto& v : table) {
        v = -1;
    }
    for (int c = '0'; c <= '9'; ++c) {
        table[c] = static_cast<std::int8_t>(c - '0');
    }
    for (int c = 'A'; c <= 'F'; ++c) {
        table[c] = static_cast<std::int8_t>(c - 'A' + 10);
        table[c + ('a' - 'A')] = static_cast<std::int8_t>(c - 'A' + 10);
    }
    return table;
}
constexpr auto kDigitValues = MakeDigitValues();

template <class Char>
int DigitValue(Char c) {
    const auto u = static_cast<std::make_unsigned_t<Char>>(c);
    return u < 128 ? kDigitValues[u] : -1;
}

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

template <class Char>
void DecodeInto(const Char* text, std::size_t n, std::uint8_t* out) {
    const std::size_t pairs = n / 2;
    for (std::size_t k = 0; k < pairs; ++k) {
        const int high = DigitValue(text[2 * k]);
        const int low = DigitValue(text[2 * k + 1]);
        if ((high | low) >= 0) {
            out[k] = static_cast<std::uint8_t>((high << 4) | low);
        } else {
            out[k] = ReadPair(text + 2 * k, 2);
        }
    }
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
