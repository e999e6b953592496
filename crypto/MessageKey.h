#pragma once

#include "platform/SecretMemory.h"

#include <array>
#include <cstddef>
#include <cstdint>

namespace zelvora {

// A 32-byte secret held by value: the message key of a version 3 message,
// or a key derived from it. Wiped when it goes; never copied by accident.
class MessageKey {
public:
    static constexpr std::size_t kBytes = 32;

    MessageKey() = default;
    MessageKey(const MessageKey&) = delete;
    MessageKey& operator=(const MessageKey&) = delete;
    ~MessageKey() { WipeMemory(bytes_.data(), bytes_.size()); }

    std::uint8_t* data() { return bytes_.data(); }
    const std::uint8_t* data() const { return bytes_.data(); }
    static constexpr std::size_t size() { return kBytes; }

private:
    std::array<std::uint8_t, kBytes> bytes_{};
};

}  // namespace zelvora
