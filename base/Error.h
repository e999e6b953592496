#pragma once

#include <cstdint>
#include <string>

namespace zelvora {

// A failure as the user gets to see it: a 32-bit number (shown as eight hex
// digits when negative) and a description written as whole sentences.
struct Error {
    std::int32_t number = 0;
    std::string description;

    friend bool operator==(const Error&, const Error&) = default;
};

}  // namespace zelvora
