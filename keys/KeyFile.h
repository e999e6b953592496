#pragma once

#include "base/Error.h"
#include "base/SecureBytes.h"

#include <cstddef>
#include <cstdint>
#include <expected>
#include <optional>
#include <span>
#include <string>

namespace zelvora {

// Key files are one line of hex text, but may be wrapped, lack the final line
// end, or use lone CR or LF as line ends. Anything larger than this is not a
// key file, and is refused before it is read into memory.
inline constexpr std::size_t kMaxKeyFileSize = 1024 * 1024;

// A private key file must be the user's own and closed to everyone else, as
// ssh demands of its keys; public key files are for sharing.
enum class KeyFileKind { Public, Private };

// Reads the key blob from the key file at `path`, taken exactly as given in
// the system's encoding. An empty path yields no value. Only a regular file
// is read (a FIFO or a device could block or never end). A file that cannot
// be opened, read or closed, that is not a regular file, or that is a private
// key file others may read, yields its error; the caller reports it. A file
// refused for its mode or owner that does not hold a private key at all (a
// public key file, say) yields what the key check says about it instead, so
// the user is told what the file is before how to protect it. Never fails
// otherwise: malformed text becomes whatever the hex pair rule makes of it.
std::expected<std::optional<SecureBytes>, Error> ReadKeyFile(const std::string& path,
                                                             KeyFileKind kind);

// The key file form of `blob`: upper-case hex on one line ended by CR LF.
SecureBytes KeyFileText(std::span<const std::uint8_t> blob);

}  // namespace zelvora
