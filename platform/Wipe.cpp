#include "platform/Wipe.h"

#include <string.h>

namespace zelvora {

void WipeMemory(void* data, std::size_t size) noexcept {
    // explicit_bzero is a plain memset the compiler may not drop as a dead
    // store; it wipes megabytes of plaintext at memset speed.
    if (data != nullptr && size != 0) {
        explicit_bzero(data, size);
    }
}

}  // namespace zelvora
