#include "message/WindowHex.h"

namespace zelvora {
namespace {

std::u16string_view Units(QStringView text) {
    return {text.utf16(), static_cast<std::size_t>(text.size())};
}

}  // namespace

QString BytesToHex(std::span<const std::uint8_t> bytes) {
    // Filled in place: no second copy of a long ciphertext's text.
    QString text(static_cast<qsizetype>(bytes.size() * 2), Qt::Uninitialized);
    WriteHexUtf16(bytes, reinterpret_cast<char16_t*>(text.data()));
    return text;
}

Bytes HexToBytes(QStringView text) {
    return HexToBytes(Units(text));
}

Bytes CiphertextFromText(QStringView text) {
    return CiphertextFromText(Units(text));
}

}  // namespace zelvora
