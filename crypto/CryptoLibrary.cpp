#include "crypto/CryptoLibrary.h"

#include <openssl/crypto.h>

namespace zelvora {

void LoadCryptoLibrary() noexcept {
    // No configuration file: key handling must not depend on what a system
    // configuration happens to load.
    (void)OPENSSL_init_crypto(OPENSSL_INIT_NO_LOAD_CONFIG, nullptr);
}

}  // namespace zelvora
