#pragma once

#include "base/Error.h"
#include "texts/ErrorText.h"

#include <string>
#include <string_view>

namespace zelvora {

// The window's message box: "<heading>\r\n<description> (<number>)".
std::string FormatErrorReport(std::string_view heading, const Error& error,
                              KeyRole role = KeyRole::Recipient);
// The command line's one line: "<heading>: <description> (<number>)".
std::string FormatErrorLine(std::string_view heading, const Error& error);

// A key file that cannot be read, in the window's form and in the command
// line's: "Error reading key file <path>", then the description, which may
// name the path again.
// `role` says whom a public key file names (see KeyRole).
std::string FormatKeyFileReport(std::string_view path, const Error& error,
                                KeyRole role = KeyRole::Recipient);
std::string FormatKeyFileLine(std::string_view path, const Error& error,
                              KeyRole role = KeyRole::Recipient);

}  // namespace zelvora
