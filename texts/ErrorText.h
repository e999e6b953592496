#pragma once

#include "base/Error.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace zelvora {

// Who the text is for: where the advice differs ("copy the text to the
// clipboard" makes no sense to the command line), each gets its own.
enum class Surface { Window, CommandLine };

// The sentences a user reads for `error`: the system's own text for a
// system error, otherwise a description that says what to do about it.
std::string Describe(const Error& error, Surface surface);
// The same about the file at `file` (as given by the user), which some
// descriptions name: "Run chmod 600 <file>".
std::string Describe(const Error& error, Surface surface, std::string_view file);
// "<description> (<number>)", the form both front ends report in.
std::string DescribeWithNumber(const Error& error, Surface surface, std::string_view file = {});
// Upper-case hex without leading zeros; a negative number shows as the
// eight digits of its 32-bit two's complement.
std::string FormatErrorNumber(std::int32_t number);

}  // namespace zelvora
