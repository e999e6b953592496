#pragma once

#include "base/Error.h"
#include "base/SecureBytes.h"

#include <expected>
#include <string>
#include <string_view>

namespace zelvora {

// The name that stands for standard input.
inline constexpr std::string_view kStandardInputName = "-";

// The key blob of a public key named on the command line: a regular file,
// or a pipe (--to <(...)) or standard input ("-"), which a script expects to
// work. The window reads regular files only, so that a pipe cannot stall it;
// here the user who names a pipe waits for it. At most the key file limit of
// text is read; private keys are read as the window reads them.
std::expected<SecureBytes, Error> ReadPublicKeyInput(const std::string& path);

}  // namespace zelvora
