#include "keys/Fingerprint.h"

#include "base/ErrorCode.h"
#include "base/SecureBytes.h"

#include <openssl/evp.h>
#include <openssl/x509.h>

namespace zelvora {

std::expected<Fingerprint, Error> KeyFingerprint(const RsaKey& key) {
    // i2d_PUBKEY writes only the public half, whichever half the key holds,
    // in the canonical SubjectPublicKeyInfo form: a key read from a PKCS#1
    // blob gets the same fingerprint as the same key read from SPKI.
    const int size = i2d_PUBKEY(key.Handle(), nullptr);
    if (size <= 0) {
        return std::unexpected(MakeError(ErrorCode::Internal));
    }
    Bytes der(static_cast<std::size_t>(size));
    unsigned char* out = der.data();
    if (i2d_PUBKEY(key.Handle(), &out) != size) {
        return std::unexpected(MakeError(ErrorCode::Internal));
    }
    Fingerprint digest{};
    unsigned int length = 0;
    if (EVP_Digest(der.data(), der.size(), digest.data(), &length, EVP_sha256(), nullptr) != 1 ||
        length != digest.size()) {
        return std::unexpected(MakeError(ErrorCode::Internal));
    }
    return digest;
}

std::string FingerprintText(const Fingerprint& fingerprint) {
    // 32 bytes take 44 base64 characters, the last of them one "=".
    unsigned char encoded[45] = {};
    const int length = EVP_EncodeBlock(encoded, fingerprint.data(), fingerprint.size());
    std::string text = "SHA256:";
    text.append(reinterpret_cast<const char*>(encoded), static_cast<std::size_t>(length));
    while (!text.empty() && text.back() == '=') {
        text.pop_back();
    }
    return text;
}

}  // namespace zelvora
