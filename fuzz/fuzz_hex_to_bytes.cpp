// HexToBytes against the plain reference of the pair rule, over UTF-16 and
// single-byte text alike, and BytesToHex followed by HexToBytes giving back
// the bytes it started from.

#include "fuzz/ReferenceHex.h"
#include "message/WindowHex.h"

#include <QString>

#include <algorithm>
#include <cstdlib>
#include <string_view>

namespace {

template <class A, class B>
void CheckSame(const A& got, const B& expected) {
    if (!std::ranges::equal(got, expected)) {
        std::abort();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace zelvora;

    // The input as single-byte text, as key files hold it.
    const std::string_view narrow(reinterpret_cast<const char*>(data), size);
    const std::vector<std::uint32_t> narrowUnits(data, data + size);
    const auto expectedNarrow = fuzz::ReferenceHexToBytes(narrowUnits);
    CheckSame(HexToBytes(narrow), expectedNarrow);
    CheckSame(HexToSecureBytes(narrow), expectedNarrow);

    // The input as UTF-16 code units, as the clipboard text arrives;
    // unpaired surrogates included, since the clipboard can hold anything.
    const std::size_t units = size / 2;
    QString wide(static_cast<qsizetype>(units), Qt::Uninitialized);
    std::vector<std::uint32_t> wideUnits(units);
    for (std::size_t i = 0; i < units; ++i) {
        const auto unit = static_cast<char16_t>(data[2 * i] | (data[2 * i + 1] << 8));
        wide[static_cast<qsizetype>(i)] = QChar(unit);
        wideUnits[i] = unit;
    }
    CheckSame(HexToBytes(QStringView(wide)), fuzz::ReferenceHexToBytes(wideUnits));

    // Any bytes survive the trip through hex text, which is upper-case hex
    // digits only, two per byte.
    const QString hex = BytesToHex(std::span(data, size));
    if (static_cast<std::size_t>(hex.size()) != 2 * size || !std::ranges::all_of(hex, [](QChar c) {
            return (c >= u'0' && c <= u'9') || (c >= u'A' && c <= u'F');
        })) {
        std::abort();
    }
    CheckSame(HexToBytes(QStringView(hex)), std::span(data, size));
    return 0;
}
