#pragma once

#include "platform/SecretMemory.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <new>
#include <type_traits>
#include <utility>
#include <vector>

namespace zelvora {

// Leaves new elements uninitialised, where std::allocator would zero them.
// Every buffer of the byte types below is written in full right after it is
// sized, and zeroing megabytes of it first would only cost time.
template <class T>
struct DefaultInitAllocator {
    using value_type = T;

    DefaultInitAllocator() noexcept = default;
    template <class U>
    DefaultInitAllocator(const DefaultInitAllocator<U>&) noexcept {}

    T* allocate(std::size_t n) { return std::allocator<T>{}.allocate(n); }
    void deallocate(T* p, std::size_t n) noexcept { std::allocator<T>{}.deallocate(p, n); }

    template <class U>
    void construct(U* p) noexcept(std::is_nothrow_default_constructible_v<U>) {
        ::new (static_cast<void*>(p)) U;
    }
    template <class U, class... Args>
    void construct(U* p, Args&&... args) {
        ::new (static_cast<void*>(p)) U(std::forward<Args>(args)...);
    }

    template <class U>
    bool operator==(const DefaultInitAllocator<U>&) const noexcept {
        return true;
    }
};

// The same, from secret memory: every block is wiped before it goes back to
// the heap, so key material and plaintext do not linger in freed memory.
template <class T>
struct WipingAllocator : DefaultInitAllocator<T> {
    using value_type = T;

    WipingAllocator() noexcept = default;
    template <class U>
    WipingAllocator(const WipingAllocator<U>&) noexcept {}

    T* allocate(std::size_t n) {
        if (n > static_cast<std::size_t>(-1) / sizeof(T)) {
            throw std::bad_array_new_length();
        }
        return static_cast<T*>(AllocateSecret(n * sizeof(T)));
    }
    void deallocate(T* p, std::size_t n) noexcept { ReleaseSecret(p, n * sizeof(T)); }

    template <class U>
    bool operator==(const WipingAllocator<U>&) const noexcept {
        return true;
    }
};

// Public data: ciphertext, public key blobs as read from disk.
using Bytes = std::vector<std::uint8_t, DefaultInitAllocator<std::uint8_t>>;
// Secrets: plaintext, private key blobs, anything derived from them.
using SecureBytes = std::vector<std::uint8_t, WipingAllocator<std::uint8_t>>;

}  // namespace zelvora
