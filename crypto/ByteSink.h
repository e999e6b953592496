#pragma once

#include "base/Error.h"

#include <cstdint>
#include <expected>
#include <functional>
#include <span>

namespace zelvora {

// Where a streaming sealer or opener puts its output, a piece at a time: a
// growing buffer, a file descriptor, a pipe. The bytes are only lent for
// the call. A sink that fails (a full disk) stops the stream with its error.
using ByteSink = std::function<std::expected<void, Error>(std::span<const std::uint8_t>)>;

}  // namespace zelvora
