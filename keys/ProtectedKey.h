#pragma once

#include "base/Error.h"
#include "base/SecureBytes.h"
#include "keys/ScryptParameters.h"

#include <cstdint>
#include <expected>
#include <span>

namespace zelvora {

// A private key under a passphrase: a PKCS#8 EncryptedPrivateKeyInfo
// (RFC 5958) with PBES2 (RFC 8018), scrypt (RFC 7914) and AES-256-CBC, the
// form `openssl pkey` and `openssl pkcs8` read with the passphrase.

// Encrypts the DER PrivateKeyInfo `privateKeyInfo` under `passphrase`, with a
// fresh 16-byte salt and IV. The result is the DER EncryptedPrivateKeyInfo.
// Fails with PrivateKeyMalformed when the input is not one PrivateKeyInfo,
// otherwise with KeyEncodingFailed.
std::expected<SecureBytes, Error> Protect(std::span<const std::uint8_t> privateKeyInfo,
                                          std::span<const std::uint8_t> passphrase,
                                          const ScryptParameters& parameters = kProductionScrypt);

// Whether a private key blob is an EncryptedPrivateKeyInfo, by its shape
// alone: plain keys begin with a version number where this begins with an
// algorithm. Whatever the protection, so that an unsupported one is named.
bool IsProtected(std::span<const std::uint8_t> blob);

// The DER PrivateKeyInfo inside `encrypted`. The scrypt parameters the file
// names are held against `cap` before any work is done. Fails with
// PrivateKeyMalformed for a damaged file, KeyProtectionUnsupported for any
// protection but PBES2 with scrypt and AES-256-CBC, UnlockTooCostly above the
// cap, PassphraseWrong when the passphrase does not open it. Nothing
// authenticates the encrypted part, so damage inside it cannot be told from a
// wrong passphrase and is reported as one.
std::expected<SecureBytes, Error> Unprotect(std::span<const std::uint8_t> encrypted,
                                            std::span<const std::uint8_t> passphrase,
                                            const UnlockCap& cap = kProductionUnlockCap);

}  // namespace zelvora
