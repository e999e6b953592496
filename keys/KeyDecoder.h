#pragma once

// OpenSSL's own key decoders, with the structure and key type given, for
// the key classes' source files only (it brings OpenSSL's headers along).

#include "keys/KeyBlobShape.h"
#include "keys/OpenSslHandles.h"

#include <cstdint>
#include <span>

namespace zelvora {

// Structure names as OpenSSL's decoders know them.
inline constexpr const char* kPrivateKeyInfo = "PrivateKeyInfo";
inline constexpr const char* kSubjectPublicKeyInfo = "SubjectPublicKeyInfo";
// The key type's own structure: PKCS#1 for RSA.
inline constexpr const char* kTypeSpecific = "type-specific";

// The key in `der`, which must be the whole input, or null (with OpenSSL's
// error queue cleared). `selection` is EVP_PKEY_KEYPAIR or
// EVP_PKEY_PUBLIC_KEY; `type` an OpenSSL key type name such as "RSA".
PkeyPtr DecodeKeyDer(std::span<const std::uint8_t> der, const char* structure, const char* type,
                     int selection);

// The private key of a PKCS#8 blob of `shape`. OpenSSL 3.0 reads version 1
// only, so a version 2 blob is handed over without its public key (which
// the caller checks), in a copy wiped when it goes.
PkeyPtr DecodePrivateKeyInfo(std::span<const std::uint8_t> blob, const KeyBlobShape& shape,
                             const char* type);

}  // namespace zelvora
