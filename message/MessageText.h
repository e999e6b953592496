#pragma once

#include "base/SecureBytes.h"

#include <QString>

#include <cstdint>
#include <span>

namespace zelvora {

// The message as the encryption component takes and gives it: UTF-8, the
// locale's 8-bit encoding on Linux, so any script round-trips. Unlike
// QString::toLocal8Bit and fromLocal8Bit these leave no unwiped copy behind:
// the bytes go straight into wiping memory, the text straight into the
// string returned.
SecureBytes EncodeMessage(const QString& text);
QString DecodeMessage(std::span<const std::uint8_t> bytes);

// Wipes the characters of `text` when this string alone holds them (a copy
// shared with a widget or another string is left to its other owners), then
// empties it.
void WipeString(QString& text);

}  // namespace zelvora
