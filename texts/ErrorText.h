#pragma once

#include "base/Error.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace zelvora {

// Who the text is for: where the advice differs ("copy the text to the
// clipboard" makes no sense to the command line), each gets its own.
enum class Surface { Window, CommandLine };

// Whom the public key file names: the recipient when a message is written,
// the person it is expected from when one is read. The advice about a public
// key file that cannot be used names that person.
enum class KeyRole { Recipient, ExpectedWriter };

// The sentences a user reads for `error`: the system's own text for a
// system error, otherwise a description that says what to do about it.
std::string Describe(const Error& error, Surface surface, KeyRole role = KeyRole::Recipient);
// The same about the file at `file` (as given by the user), which some
// descriptions name: "Run chmod 600 <file>".
std::string Describe(const Error& error, Surface surface, std::string_view file,
                     KeyRole role = KeyRole::Recipient);
// "<description> (<number>)", the form both front ends report in.
std::string DescribeWithNumber(const Error& error, Surface surface, std::string_view file = {},
                               KeyRole role = KeyRole::Recipient);
// Upper-case hex without leading zeros; a negative number shows as the
// eight digits of its 32-bit two's complement.
std::string FormatErrorNumber(std::int32_t number);

}  // namespace zelvora
