#pragma once

#include <cstddef>

namespace zelvora {

// Overwrites memory in a way the optimiser may not drop.
void WipeMemory(void* data, std::size_t size) noexcept;

// Memory for secrets, kept out of core files and, when small, out of swap.
// AllocateSecret throws std::bad_alloc like operator new; ReleaseSecret
// wipes the block before it goes back to the heap.
void* AllocateSecret(std::size_t size);
void ReleaseSecret(void* block, std::size_t size) noexcept;
// Small released blocks, wiped, are kept for reuse; this hands them back to
// the heap.
void ReleaseSecretCache() noexcept;

}  // namespace zelvora
