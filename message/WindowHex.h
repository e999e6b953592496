#pragma once

#include "base/HexText.h"

#include <QString>
#include <QStringView>

#include <cstdint>
#include <optional>
#include <span>

namespace zelvora {

// The hex codec of base/HexText.h on the window's text type, so the core
// itself needs no Qt.

// Upper-case hex, two digits per byte, no separators. An absent value gives
// the empty text, like an empty array.
QString BytesToHex(std::span<const std::uint8_t> bytes);
template <class Container>
QString BytesToHex(const std::optional<Container>& bytes) {
    return bytes ? BytesToHex(std::span<const std::uint8_t>(*bytes)) : QString();
}

Bytes HexToBytes(QStringView text);
Bytes CiphertextFromText(QStringView text);

}  // namespace zelvora
