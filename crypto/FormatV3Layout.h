#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

// The fixed numbers of format version 3 (CiphertextFormat.md), shared by
// the sealer, the opener and the header code.
namespace zelvora::v3 {

inline constexpr std::uint8_t kVersion = 0x03;
inline constexpr std::size_t kMinStanzas = 1;
inline constexpr std::size_t kMaxStanzas = 64;
// Type byte and two length bytes before each stanza's body.
inline constexpr std::size_t kStanzaHeadBytes = 3;
inline constexpr std::size_t kMacBytes = 32;
inline constexpr std::size_t kSaltBytes = 16;

// An RSA stanza's body is the recipient's modulus, within RsaKey's limits.
inline constexpr std::size_t kMinRsaBody = 256;
inline constexpr std::size_t kMaxRsaBody = 2048;
inline constexpr std::size_t kX25519Body = 72;

inline constexpr std::size_t kChunkBytes = 65536;
inline constexpr std::size_t kTagBytes = 16;
inline constexpr std::size_t kSealedChunkBytes = kChunkBytes + kTagBytes;
// The nonces' 11-byte counter could count further, but 2^32 chunks (2^48
// bytes) is the format's limit, kept well inside what one key may seal.
inline constexpr std::uint64_t kMaxChunks = std::uint64_t{1} << 32;
inline constexpr std::uint64_t kMaxPlaintextBytes = kMaxChunks * kChunkBytes;

// The preamble's first byte.
inline constexpr std::uint8_t kUnsigned = 0x00;
inline constexpr std::uint8_t kRsaSigned = 0x01;
inline constexpr std::uint8_t kEd25519Signed = 0x02;
inline constexpr std::size_t kFingerprintBytes = 32;
inline constexpr std::size_t kRsaPreambleBytes = 1 + kFingerprintBytes + 2;
inline constexpr std::size_t kEd25519PreambleBytes = 1 + kFingerprintBytes;
inline constexpr std::size_t kEd25519SignatureBytes = 64;
inline constexpr std::size_t kMinRsaSignature = 256;
inline constexpr std::size_t kMaxRsaSignature = 2048;
// The longest preamble of any kind.
inline constexpr std::size_t kMaxPreambleBytes = kRsaPreambleBytes;

// What a signature covers starts with this and a zero byte, so that no
// signature made for another purpose with the same key passes as a message's.
inline constexpr std::array<char, 34> kSignedContext{"Zelvora signed message, version 3"};
inline constexpr std::size_t kDigestBytes = 32;
inline constexpr std::size_t kStatementBytes =
    kSignedContext.size() + kDigestBytes + kFingerprintBytes + kDigestBytes;
static_assert(kStatementBytes == 130);

}  // namespace zelvora::v3
