#pragma once

#include <cstdint>

namespace zelvora {

// A failure, as a number in the scheme of ErrorCode.h. The core reports
// numbers only; the sentences a user reads are made from them by the front
// ends (texts/ErrorText.h), each in the words that fit it.
struct Error {
    std::int32_t number = 0;
    // A number the description needs, where one does (a file's mode, its
    // owner); 0 otherwise.
    std::uint32_t detail = 0;

    friend bool operator==(const Error&, const Error&) = default;
};

}  // namespace zelvora
