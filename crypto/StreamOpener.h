#pragma once

#include "base/Error.h"
#include "base/SecureBytes.h"
#include "crypto/ByteSink.h"
#include "crypto/DecryptedMessage.h"
#include "crypto/Identity.h"
#include "crypto/SenderKey.h"
#include "crypto/Sha256.h"

#include <cstdint>
#include <expected>
#include <memory>
#include <optional>
#include <span>

namespace zelvora {

class ChunkCipher;

// Reads a version 3 message (CiphertextFormat.md) as its bytes arrive, in
// pieces of any size: it opens the header once all of it is there, then
// each chunk once it is known whether it is the last, and passes a chunk's
// text to the sink only after the chunk's tag has checked. The signature's
// bytes at the end are held back and never passed on as text. It holds at
// most one sealed chunk and the header.
//
// Every way the message can fail to open is the one error NotForThisKey;
// after a failure every call gives it again and nothing more reaches the
// sink. Text already passed on came from chunks that checked, but the
// message as a whole is good only when Finish succeeds.
class StreamOpener {
public:
    // `identity` and `sender` (the expected writer's key, or null) must
    // outlive the opener.
    static std::expected<std::unique_ptr<StreamOpener>, Error> Create(const Identity& identity,
                                                                      const SenderKey* sender,
                                                                      ByteSink sink);
    ~StreamOpener();
    StreamOpener(const StreamOpener&) = delete;
    StreamOpener& operator=(const StreamOpener&) = delete;

    std::expected<void, Error> Update(std::span<const std::uint8_t> ciphertext);
    // Opens the last chunk and says what the signature says; the text of
    // the result is empty, as all of it went to the sink.
    std::expected<DecryptedMessage, Error> Finish();

private:
    StreamOpener(const Identity& identity, const SenderKey* sender, ByteSink sink);

    std::expected<void, Error> TakeHeader(std::span<const std::uint8_t>& ciphertext);
    std::expected<void, Error> OpenHeader();
    std::expected<void, Error> OpenChunk(std::span<const std::uint8_t> sealed, bool last);
    std::expected<void, Error> ReadPreamble(std::span<const std::uint8_t>& plaintext);
    std::expected<void, Error> Release(std::span<const std::uint8_t> plaintext);
    std::expected<void, Error> Emit(std::span<const std::uint8_t> text);
    std::unexpected<Error> Failed(Error error);
    std::unexpected<Error> Refused();

    const Identity& identity_;
    const SenderKey* sender_;
    ByteSink sink_;

    bool anyInput_ = false;
    // The header and the payload salt until they are opened.
    Bytes header_;
    std::size_t headerBytes_ = 0;
    Sha256::Digest headerDigest_{};
    std::unique_ptr<ChunkCipher> cipher_;

    // A sealed chunk, kept until it is known whether more bytes follow it.
    Bytes pending_;
    SecureBytes opened_;
    std::uint64_t nextChunk_ = 0;

    bool preambleRead_ = false;
    std::size_t trailerBytes_ = 0;
    // The last trailerBytes_ of plaintext seen so far: the trailer, once
    // the last chunk has checked.
    SecureBytes held_;
    DecryptedMessage result_;
    std::optional<Sha256> messageHash_;

    std::optional<Error> failure_;
    bool finished_ = false;
};

}  // namespace zelvora
