#pragma once

#include <cstddef>

namespace zelvora {

// Overwrites memory in a way the optimiser may not drop.
void WipeMemory(void* data, std::size_t size) noexcept;

}  // namespace zelvora
