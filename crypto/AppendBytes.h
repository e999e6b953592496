#pragma once

#include <cstdint>
#include <cstring>
#include <span>

namespace zelvora {

// Appends `bytes` to a Bytes or SecureBytes buffer with one memcpy. Their
// allocators construct elements themselves (to leave them uninitialised),
// which keeps std::vector::insert from copying in bulk: it would go byte by
// byte, several times slower over a chunk.
template <class Buffer>
void AppendBytes(Buffer& buffer, std::span<const std::uint8_t> bytes) {
    if (bytes.empty()) {
        return;
    }
    const std::size_t at = buffer.size();
    buffer.resize(at + bytes.size());
    std::memcpy(buffer.data() + at, bytes.data(), bytes.size());
}

}  // namespace zelvora
