#pragma once

#include "base/Error.h"
#include "base/SecureBytes.h"
#include "crypto/DecryptedMessage.h"

#include <cstdint>
#include <expected>
#include <span>

namespace zelvora {

class RsaKey;

// The most content one ciphertext can hold: NIST SP 800-38D allows at most
// 2^39 - 256 bits of plaintext under one AES-GCM key and nonce.
inline constexpr std::uint64_t kMaxContentBytes = (std::uint64_t{1} << 36) - 32;
// The longest ciphertext any format writes: version byte, the RSA block of
// a 16384-bit key, nonce, the most content and the tag.
inline constexpr std::uint64_t kMaxCiphertextBytes = 1 + 2048 + 12 + kMaxContentBytes + 16;

// One layout of ciphertext bytes. The first byte of every ciphertext names
// its format's version, so a reader can tell the formats apart; each format
// lives in a file of its own, with a description beside it.
class CiphertextFormat {
public:
    virtual ~CiphertextFormat() = default;

    virtual std::uint8_t Version() const = 0;
    // False when the crypto library lacks a primitive the format needs.
    virtual bool AvailableHere() const = 0;
    // `signer` is the writer's own key, for a format that signs, and must be
    // null for one that does not.
    virtual std::expected<Bytes, Error> Encrypt(const RsaKey& recipient, const RsaKey* signer,
                                                std::span<const std::uint8_t> message) const = 0;
    // `ciphertext` starts with this format's version byte. `sender` is the
    // key the reader expects the writer to hold, or null when none is known.
    virtual std::expected<DecryptedMessage, Error> Decrypt(
        const RsaKey& own, const RsaKey* sender,
        std::span<const std::uint8_t> ciphertext) const = 0;
};

// The format new messages are written in, signed or not: version 3.
// Versions 1 and 2 are still read.
const CiphertextFormat& WritingFormat();
// The format a ciphertext's first byte names, or null for a version this
// program cannot read.
const CiphertextFormat* FormatForVersion(std::uint8_t version);

}  // namespace zelvora
