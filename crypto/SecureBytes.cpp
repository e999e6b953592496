#include "crypto/SecureBytes.h"

#include <openssl/crypto.h>

namespace zelvora {

void WipeMemory(void* data, std::size_t size) noexcept {
    if (data != nullptr && size != 0) {
        OPENSSL_cleanse(data, size);
    }
}

}  // namespace zelvora
