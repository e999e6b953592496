#include "crypto/WholeMessage.h"

#include "base/ErrorCode.h"
#include "crypto/AppendBytes.h"
#include "crypto/StreamOpener.h"
#include "crypto/StreamSealer.h"

#include <utility>

namespace zelvora {

std::expected<Bytes, Error> SealMessage(std::span<const Recipient* const> recipients,
                                        const Signer* signer,
                                        std::span<const std::uint8_t> message) {
    return WithoutExceptions([&]() -> std::expected<Bytes, Error> {
        Bytes out;
        auto sealer = StreamSealer::Start(recipients, signer, out);
        if (!sealer) {
            return std::unexpected(sealer.error());
        }
        const std::uint64_t total = out.size() + (*sealer)->PayloadBytes(message.size());
        if (total > out.max_size()) {
            return std::unexpected(MakeError(ErrorCode::MessageTooLong));
        }
        out.reserve(static_cast<std::size_t>(total));
        if (auto sealed = (*sealer)->Update(message); !sealed) {
            return std::unexpected(sealed.error());
        }
        if (auto finished = (*sealer)->Finish(); !finished) {
            return std::unexpected(finished.error());
        }
        return out;
    });
}

std::expected<DecryptedMessage, Error> OpenMessage(std::span<const std::uint8_t> ciphertext,
                                                   const Identity& identity,
                                                   const SenderKey* sender) {
    return WithoutExceptions([&]() -> std::expected<DecryptedMessage, Error> {
        // Never longer than the ciphertext, so it never moves: a move would
        // leave a copy of text behind (wiped, but made for nothing).
        SecureBytes text;
        text.reserve(ciphertext.size());
        auto opener =
            StreamOpener::Create(identity, sender, [&text](std::span<const std::uint8_t> bytes) {
                AppendBytes(text, bytes);
                return std::expected<void, Error>();
            });
        if (!opener) {
            return std::unexpected(opener.error());
        }
        if (auto read = (*opener)->Update(ciphertext); !read) {
            return std::unexpected(read.error());
        }
        auto result = (*opener)->Finish();
        if (!result) {
            return std::unexpected(result.error());
        }
        result->text = std::move(text);
        return result;
    });
}

}  // namespace zelvora
