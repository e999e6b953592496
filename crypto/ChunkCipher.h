#pragma once

#include "base/Error.h"
#include "crypto/MessageKey.h"

#include <cstdint>
#include <expected>
#include <memory>
#include <span>

// OpenSSL's cipher context, named here only so it can be held without its headers.
struct evp_cipher_ctx_st;

namespace zelvora {

// AES-256-GCM (NIST SP 800-38D) over the chunks of one version 3 payload:
// the key is set once, and each chunk gets the nonce of its index and of
// whether it is the last (the STREAM construction), so a chunk sealed at
// one place or as not the last opens nowhere else.
class ChunkCipher {
public:
    enum class Outcome { Done, Refused, Broken };

    static std::expected<std::unique_ptr<ChunkCipher>, Error> Create(const MessageKey& payloadKey,
                                                                     bool encrypt);
    ~ChunkCipher();
    ChunkCipher(const ChunkCipher&) = delete;
    ChunkCipher& operator=(const ChunkCipher&) = delete;

    // Encrypts the pieces, one after the other, to `out` and the 16-byte tag
    // after them; `out` holds their total size plus the tag.
    bool Seal(std::uint64_t index, bool last, std::span<const std::span<const std::uint8_t>> pieces,
              std::uint8_t* out);
    // Decrypts `sealed` (bytes, then tag) to `out`, which holds
    // sealed.size() - 16 bytes. On Refused, `out` holds unchecked bytes the
    // caller must not release.
    Outcome Open(std::uint64_t index, bool last, std::span<const std::uint8_t> sealed,
                 std::uint8_t* out);

private:
    struct Free {
        void operator()(evp_cipher_ctx_st* context) const noexcept;
    };
    explicit ChunkCipher(std::unique_ptr<evp_cipher_ctx_st, Free> context);

    bool SetNonce(std::uint64_t index, bool last, bool encrypt);

    std::unique_ptr<evp_cipher_ctx_st, Free> context_;
};

}  // namespace zelvora
