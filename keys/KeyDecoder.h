#pragma once

// OpenSSL's own key decoders, with the structure and key type given, for
// the key classes' source files only (it brings OpenSSL's headers along).
//
// For public keys only. OpenSSL 3.0's decoders copy the DER they are given
// into buffers of their own and free those unwiped: decoding one 2048-bit
// RSA key from PKCS#8 left 5 freed blocks holding its private part, an
// Ed25519 key 3 (OpenSSL 3.0.19, counted by watching free). Private keys
// are therefore read from the blob by the key classes and handed to
// OpenSSL as numbers or raw bytes, which it keeps in memory it wipes.

#include "keys/OpenSslHandles.h"

#include <cstdint>
#include <span>

namespace zelvora {

// Structure names as OpenSSL's decoders know them.
inline constexpr const char* kSubjectPublicKeyInfo = "SubjectPublicKeyInfo";
// The key type's own structure: PKCS#1 RSAPublicKey for RSA.
inline constexpr const char* kTypeSpecific = "type-specific";

// The public key in `der`, which must be the whole input, or null (with
// OpenSSL's error queue cleared). `type` is an OpenSSL key type name such
// as "RSA".
PkeyPtr DecodePublicKeyDer(std::span<const std::uint8_t> der, const char* structure,
                           const char* type);

}  // namespace zelvora
