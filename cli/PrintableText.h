#pragma once

#include <cstdint>
#include <span>

namespace zelvora::cli {

// Whether a terminal can show `bytes` as they are: well-formed UTF-8 with no
// control characters but tab, line feed and the carriage return of a CR LF,
// and none of Unicode's bidirectional controls, which reorder what is shown.
bool IsPrintableText(std::span<const std::uint8_t> bytes);

}  // namespace zelvora::cli
