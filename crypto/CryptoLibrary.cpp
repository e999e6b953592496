#include "crypto/CryptoLibrary.h"

#include <openssl/crypto.h>

namespace zelvora {

void LoadCryptoLibrary() noexcept {
    // No configuration file, in zelvora and zelvora-keygen alike. The file
    // (or whatever OPENSSL_CONF names) may load providers, that is code from
    // any path, into processes that hold private keys and plaintext, and may
    // change defaults that key generation and key handling would silently
    // follow. Both programs ask for fixed algorithms with explicit parameters
    // and need nothing from it; without it, a key pair made on one machine
    // behaves the same on every other.
    (void)OPENSSL_init_crypto(OPENSSL_INIT_NO_LOAD_CONFIG, nullptr);
}

void LoadCryptoLibraryForOneCommand() noexcept {
    (void)OPENSSL_init_crypto(OPENSSL_INIT_NO_LOAD_CONFIG | OPENSSL_INIT_NO_ATEXIT |
                                  OPENSSL_INIT_NO_ADD_ALL_CIPHERS | OPENSSL_INIT_NO_ADD_ALL_DIGESTS,
                              nullptr);
}

}  // namespace zelvora
