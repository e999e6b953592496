#pragma once

#include <array>
#include <cstdint>
#include <type_traits>

namespace zelvora::hex {

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
inline constexpr auto kDigitValues = MakeDigitValues();

template <class Char>
int DigitValue(Char c) {
    const auto u = static_cast<std::make_unsigned_t<Char>>(c);
    return u < 128 ? kDigitValues[u] : -1;
}

}  // namespace zelvora::hex
