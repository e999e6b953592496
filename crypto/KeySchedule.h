#pragma once

#include "base/Error.h"
#include "crypto/FormatV3Layout.h"
#include "crypto/MessageKey.h"
#include "keys/Fingerprint.h"

#include <array>
#include <cstdint>
#include <expected>
#include <span>

namespace zelvora::v3 {

using Digest = std::array<std::uint8_t, kDigestBytes>;
using Mac = std::array<std::uint8_t, kMacBytes>;
using Statement = std::array<std::uint8_t, kStatementBytes>;

// The keys of a version 3 message, from its message key, by HKDF-SHA-256
// (RFC 5869). The header key has no salt; the payload key is salted with
// the message's payload salt, so no two messages share a payload key even
// should a message key repeat.
std::expected<void, Error> DeriveHeaderKey(const MessageKey& messageKey, MessageKey& headerKey);
std::expected<void, Error> DerivePayloadKey(const MessageKey& messageKey,
                                            std::span<const std::uint8_t> salt,
                                            MessageKey& payloadKey);

// HMAC-SHA-256 (RFC 2104) of the header's bytes before the MAC.
std::expected<Mac, Error> HeaderMac(const MessageKey& headerKey,
                                    std::span<const std::uint8_t> header);

// Whether the crypto library has HKDF and HMAC.
bool KeyScheduleAvailable();

// What a signature covers: the context, the header's digest (which binds
// the list of recipients), the signer's fingerprint and the message's digest.
Statement SignedStatement(const Digest& header, const Fingerprint& signer, const Digest& message);

}  // namespace zelvora::v3
