#include "keys/Algorithms.h"

#include <openssl/evp.h>
#include <openssl/kdf.h>

namespace zelvora::algorithms {

// Names as OpenSSL's default provider carries them, so that no table of
// older aliases is needed to find them.
const EVP_CIPHER* Aes256Gcm() {
    static EVP_CIPHER* const cipher = EVP_CIPHER_fetch(nullptr, "AES-256-GCM", nullptr);
    return cipher;
}

const EVP_CIPHER* Aes256Wrap() {
    static EVP_CIPHER* const cipher = EVP_CIPHER_fetch(nullptr, "AES-256-WRAP", nullptr);
    return cipher;
}

const EVP_MD* Sha256() {
    static EVP_MD* const md = EVP_MD_fetch(nullptr, "SHA2-256", nullptr);
    return md;
}

const EVP_MD* Sha512() {
    static EVP_MD* const md = EVP_MD_fetch(nullptr, "SHA2-512", nullptr);
    return md;
}

EVP_KDF* Hkdf() {
    static EVP_KDF* const kdf = EVP_KDF_fetch(nullptr, "HKDF", nullptr);
    return kdf;
}

EVP_MAC* Hmac() {
    static EVP_MAC* const mac = EVP_MAC_fetch(nullptr, "HMAC", nullptr);
    return mac;
}

}  // namespace zelvora::algorithms
