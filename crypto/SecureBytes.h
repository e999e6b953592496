#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

namespace zelvora {

// Overwrites memory in a way the optimiser may not drop.
void WipeMemory(void* data, std::size_t size) noexcept;

// Allocator that wipes every block before it goes back to the heap, so key
// material and plaintext do not linger in freed memory.
template <class T>
struct WipingAllocator {
    using value_type = T;

    WipingAllocator() noexcept = default;
    template <class U>
    WipingAllocator(const WipingAllocator<U>&) noexcept {}

    T* allocate(std::size_t n) { return std::allocator<T>{}.allocate(n); }
    void deallocate(T* p, std::size_t n) noexcept {
        WipeMemory(p, n * sizeof(T));
        std::allocator<T>{}.deallocate(p, n);
    }

    template <class U>
    bool operator==(const WipingAllocator<U>&) const noexcept {
        return true;
    }
};

// Public data: ciphertext, public key blobs as read from disk.
using Bytes = std::vector<std::uint8_t>;
// Secrets: plaintext, private key blobs, anything derived from them.
using SecureBytes = std::vector<std::uint8_t, WipingAllocator<std::uint8_t>>;

}  // namespace zelvora
