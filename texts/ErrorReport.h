#pragma once

#include "base/Error.h"

#include <QString>

#include <cstdint>

namespace zelvora {

// "<heading>\r\n<description> (<number in upper-case hex>)". A negative number
// shows as the eight digits of its 32-bit two's complement.
QString FormatErrorReport(const QString& heading, const Error& error);
QString FormatErrorNumber(std::int32_t number);

}  // namespace zelvora
