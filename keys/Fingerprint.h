#pragma once

#include "base/Error.h"
#include "base/SecureBytes.h"
#include "keys/AnyKey.h"
#include "keys/Ed25519Key.h"
#include "keys/RsaKey.h"

#include <array>
#include <cstdint>
#include <expected>
#include <string>

namespace zelvora {

// A key's fingerprint: SHA-256 (FIPS 180-4) over the DER encoding of its
// SubjectPublicKeyInfo (RFC 5280, section 4.1), the form a .pkey file holds.
// A private key has the fingerprint of its public half, so both files of one
// pair show the same string, and anyone can compute it from the .pkey alone.
using Fingerprint = std::array<std::uint8_t, 32>;

std::expected<Fingerprint, Error> KeyFingerprint(const RsaKey& key);
std::expected<Fingerprint, Error> KeyFingerprint(const Ed25519Key& key);
std::expected<Fingerprint, Error> KeyFingerprint(const AnyKey& key);

// The DER SubjectPublicKeyInfo of `key`'s public half, whichever half it
// holds: what a .pkey file holds, and what the fingerprint is taken over.
std::expected<Bytes, Error> PublicKeyInfo(const AnyKey& key);

// "SHA256:" and the digest in base64 (RFC 4648, section 4) without the
// trailing "=" padding: 50 characters, short enough to read out over the
// phone and the form key fingerprints are commonly compared in.
std::string FingerprintText(const Fingerprint& fingerprint);

}  // namespace zelvora
