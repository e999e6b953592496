#pragma once

#include "base/Error.h"

#include <QString>

#include <string>
#include <string_view>

namespace zelvora {

// The window's message box: "<heading>\r\n<description> (<number>)".
QString FormatErrorReport(const QString& heading, const Error& error);
// The command line's one line: "<heading>: <description> (<number>)".
std::string FormatErrorLine(std::string_view heading, const Error& error);

// The heading of every report about a key file that cannot be read.
QString KeyFileHeading(const QString& path);

}  // namespace zelvora
