#pragma once

#include "base/SecureBytes.h"
#include "message/MessageBoxPort.h"

#include <QString>

#include <cstddef>
#include <optional>

namespace zelvora {

// Key files are one line of hex text, but may be wrapped, lack the final line
// end, or use lone CR or LF as line ends. Anything larger than this is not a
// key file, and is refused before it is read into memory.
inline constexpr std::size_t kMaxKeyFileSize = 1024 * 1024;

// Reads the key blob from the key file at `path`, taken exactly as given.
// An empty path yields no value silently. A file that cannot be opened, read
// or closed yields no value after one report through `box`. Never fails
// otherwise: malformed text becomes whatever the hex pair rule makes of it.
std::optional<SecureBytes> ReadKeyFile(const QString& path, MessageBoxPort& box);

}  // namespace zelvora
