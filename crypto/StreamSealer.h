#pragma once

#include "base/Error.h"
#include "base/SecureBytes.h"
#include "crypto/ByteSink.h"
#include "crypto/Recipient.h"
#include "crypto/Sha256.h"
#include "crypto/Signer.h"

#include <array>
#include <cstdint>
#include <expected>
#include <memory>
#include <optional>
#include <span>

namespace zelvora {

class ChunkCipher;

// Writes a version 3 message (CiphertextFormat.md) as its text arrives:
// the header at Start, then each sealed chunk once it is full and more text
// follows, and the last chunk at Finish. It holds at most one chunk of
// text, so a message of any length passes in bounded memory; text can come
// in pieces of any size, as a read loop over a file gets it.
class StreamSealer {
public:
    // 1 to 64 recipients once a key listed twice is counted once (0 is
    // NoPublicKey, more is TooManyRecipients). The header goes to `sink`
    // before this returns. `signer`, when not null, must outlive the sealer.
    static std::expected<std::unique_ptr<StreamSealer>, Error> Start(
        std::span<const Recipient* const> recipients, const Signer* signer, ByteSink sink);
    // The same, appending to `out` instead: for a caller that keeps the
    // whole ciphertext anyway, each chunk is sealed where it is to stay
    // rather than copied there. `out` must outlive the sealer.
    static std::expected<std::unique_ptr<StreamSealer>, Error> Start(
        std::span<const Recipient* const> recipients, const Signer* signer, Bytes& out);
    ~StreamSealer();
    StreamSealer(const StreamSealer&) = delete;
    StreamSealer& operator=(const StreamSealer&) = delete;

    // More of the message. A message beyond the format's limit is refused
    // with MessageTooLong.
    std::expected<void, Error> Update(std::span<const std::uint8_t> text);
    // Signs, when there is a signer, and writes the last chunk.
    std::expected<void, Error> Finish();

    // The longest message the format takes, signed by `signer` or unsigned:
    // a caller that knows the length up front can refuse before it starts.
    static std::uint64_t MaxMessageBytes(const Signer* signer);

    // How many bytes the sealed chunks of a message of `messageBytes` take
    // after the header and salt, so a caller can size its buffer once.
    std::uint64_t PayloadBytes(std::uint64_t messageBytes) const;

    // After the first failure every call gives that failure again, and
    // nothing more reaches the sink.

private:
    StreamSealer() = default;

    static std::expected<std::unique_ptr<StreamSealer>, Error> StartWith(
        std::span<const Recipient* const> recipients, const Signer* signer, ByteSink sink,
        Bytes* out);
    std::expected<void, Error> Write(std::span<const std::uint8_t> bytes);

    std::expected<void, Error> Feed(std::span<const std::uint8_t> plaintext);
    std::expected<void, Error> SealChunk(std::span<const std::uint8_t> more, bool last);
    std::expected<void, Error> Failed(Error error);

    ByteSink sink_;
    Bytes* out_ = nullptr;
    const Signer* signer_ = nullptr;
    std::unique_ptr<ChunkCipher> cipher_;
    std::optional<Sha256> messageHash_;
    Sha256::Digest headerDigest_{};
    std::size_t preambleBytes_ = 0;
    std::size_t trailerBytes_ = 0;
    // The plaintext of the chunk being filled, never more than one chunk.
    SecureBytes chunk_;
    Bytes sealed_;
    std::uint64_t nextChunk_ = 0;
    std::uint64_t plaintextBytes_ = 0;
    std::optional<Error> failure_;
    bool finished_ = false;
};

}  // namespace zelvora
