#pragma once

#include "base/SecureBytes.h"

#include <cstdint>

namespace zelvora {

// The message key wrapped for one recipient: a type byte naming the kind of
// key it was wrapped for, and a body only that kind of key can read.
struct Stanza {
    static constexpr std::uint8_t kRsa = 0x01;
    static constexpr std::uint8_t kX25519 = 0x02;

    std::uint8_t type = 0;
    Bytes body;
};

}  // namespace zelvora
