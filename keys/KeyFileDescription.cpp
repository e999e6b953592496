#include "keys/KeyFileDescription.h"

#include "base/ErrorCode.h"
#include "keys/AnyKey.h"

#include <openssl/evp.h>

#include <cerrno>

namespace zelvora {

std::expected<KeyFileDescription, Error> DescribeKeyFile(const std::string& path,
                                                         KeyFileKind kind) {
    return WithoutExceptions([&]() -> std::expected<KeyFileDescription, Error> {
        auto blob = ReadKeyFile(path, kind);
        if (!blob) {
            return std::unexpected(blob.error());
        }
        if (!*blob) {
            return std::unexpected(SystemError(ENOENT));
        }
        auto key = kind == KeyFileKind::Private ? AnyKey::FromPrivateKeyBlob(**blob)
                                                : AnyKey::FromPublicKeyBlob(**blob);
        if (!key) {
            return std::unexpected(key.error());
        }
        auto fingerprint = KeyFingerprint(*key);
        if (!fingerprint) {
            return std::unexpected(fingerprint.error());
        }
        // The exact size of the modulus, as the generator was asked for it:
        // a 3071-bit modulus is not rounded up to the byte.
        if (key->Kind() == KeyKind::Ed25519) {
            return KeyFileDescription{KeyKind::Ed25519, 0, kind, *fingerprint};
        }
        return KeyFileDescription{KeyKind::Rsa, EVP_PKEY_get_bits(key->Rsa()->Handle()), kind,
                                  *fingerprint};
    });
}

}  // namespace zelvora
