#include "crypto/StreamSealer.h"

#include "base/ErrorCode.h"
#include "crypto/AppendBytes.h"
#include "crypto/ChunkCipher.h"
#include "crypto/FormatV3Layout.h"
#include "crypto/HeaderV3.h"
#include "crypto/KeySchedule.h"

#include <openssl/rand.h>

#include <algorithm>
#include <array>
#include <vector>

namespace zelvora {
namespace {

std::unexpected<Error> Refuse(ErrorCode code) {
    return std::unexpected(MakeError(code));
}

// Each key once: a list that names the writer's own key as a recipient as
// well would otherwise cost a second RSA operation for nothing.
std::vector<const Recipient*> Distinct(std::span<const Recipient* const> recipients) {
    std::vector<const Recipient*> distinct;
    for (const Recipient* recipient : recipients) {
        if (recipient != nullptr && std::ranges::none_of(distinct, [&](const Recipient* seen) {
                return seen->SameKey(*recipient);
            })) {
            distinct.push_back(recipient);
        }
    }
    return distinct;
}

}  // namespace

StreamSealer::~StreamSealer() = default;

std::expected<std::unique_ptr<StreamSealer>, Error> StreamSealer::Start(
    std::span<const Recipient* const> recipients, const Signer* signer, ByteSink sink) {
    if (!sink) {
        return Refuse(ErrorCode::Internal);
    }
    return StartWith(recipients, signer, std::move(sink), nullptr);
}

std::expected<std::unique_ptr<StreamSealer>, Error> StreamSealer::Start(
    std::span<const Recipient* const> recipients, const Signer* signer, Bytes& out) {
    return StartWith(recipients, signer, nullptr, &out);
}

std::expected<std::unique_ptr<StreamSealer>, Error> StreamSealer::StartWith(
    std::span<const Recipient* const> recipients, const Signer* signer, ByteSink sink, Bytes* out) {
    return WithoutExceptions([&]() -> std::expected<std::unique_ptr<StreamSealer>, Error> {
        const std::vector<const Recipient*> distinct = Distinct(recipients);
        if (distinct.size() < v3::kMinStanzas) {
            return Refuse(ErrorCode::NoPublicKey);
        }
        if (distinct.size() > v3::kMaxStanzas) {
            return Refuse(ErrorCode::TooManyRecipients);
        }
        std::unique_ptr<StreamSealer> sealer(new StreamSealer());
        sealer->sink_ = std::move(sink);
        sealer->out_ = out;
        sealer->signer_ = signer;

        MessageKey messageKey;
        std::array<std::uint8_t, v3::kSaltBytes> salt{};
        if (RAND_bytes(messageKey.data(), static_cast<int>(messageKey.size())) != 1 ||
            RAND_bytes(salt.data(), static_cast<int>(salt.size())) != 1) {
            return Refuse(ErrorCode::Internal);
        }
        std::vector<Stanza> stanzas;
        stanzas.reserve(distinct.size());
        for (const Recipient* recipient : distinct) {
            auto stanza = recipient->Wrap(messageKey);
            if (!stanza) {
                return std::unexpected(stanza.error());
            }
            stanzas.push_back(std::move(*stanza));
        }
        auto header = v3::WriteHeader(stanzas, messageKey);
        MessageKey payloadKey;
        if (!header) {
            return std::unexpected(header.error());
        }
        if (auto derived = v3::DerivePayloadKey(messageKey, salt, payloadKey); !derived) {
            return std::unexpected(derived.error());
        }
        auto cipher = ChunkCipher::Create(payloadKey, true);
        if (!cipher) {
            return std::unexpected(cipher.error());
        }
        sealer->cipher_ = std::move(*cipher);

        Bytes preamble{v3::kUnsigned};
        if (signer != nullptr) {
            // The signature covers the header's digest, so it is made for
            // this list of recipients only.
            auto headerDigest = Sha256::Of(*header);
            auto messageHash = Sha256::Start();
            if (!headerDigest || !messageHash) {
                return Refuse(ErrorCode::Internal);
            }
            sealer->headerDigest_ = *headerDigest;
            sealer->messageHash_.emplace(std::move(*messageHash));
            preamble = signer->Preamble();
            sealer->trailerBytes_ = signer->SignatureBytes();
        }
        sealer->preambleBytes_ = preamble.size();
        if (out == nullptr) {
            sealer->sealed_.resize(v3::kSealedChunkBytes);
        }

        AppendBytes(*header, salt);
        if (auto written = sealer->Write(*header); !written) {
            return std::unexpected(written.error());
        }
        if (auto fed = sealer->Feed(preamble); !fed) {
            return std::unexpected(fed.error());
        }
        return sealer;
    });
}

std::uint64_t StreamSealer::MaxMessageBytes(const Signer* signer) {
    const std::uint64_t around =
        signer == nullptr ? 1 : signer->Preamble().size() + signer->SignatureBytes();
    return v3::kMaxPlaintextBytes - around;
}

std::uint64_t StreamSealer::PayloadBytes(std::uint64_t messageBytes) const {
    const std::uint64_t plaintext = preambleBytes_ + messageBytes + trailerBytes_;
    const std::uint64_t chunks = (plaintext + v3::kChunkBytes - 1) / v3::kChunkBytes;
    return plaintext + chunks * v3::kTagBytes;
}

std::expected<void, Error> StreamSealer::Failed(Error error) {
    failure_ = error;
    return std::unexpected(error);
}

std::expected<void, Error> StreamSealer::Update(std::span<const std::uint8_t> text) {
    if (failure_) {
        return std::unexpected(*failure_);
    }
    if (finished_) {
        return Failed(MakeError(ErrorCode::Internal));
    }
    if (text.size() > v3::kMaxPlaintextBytes - plaintextBytes_ - trailerBytes_) {
        return Failed(MakeError(ErrorCode::MessageTooLong));
    }
    if (messageHash_ && !messageHash_->Update(text)) {
        return Failed(MakeError(ErrorCode::Internal));
    }
    auto fed = WithoutExceptions([&] { return Feed(text); });
    if (!fed && !failure_) {
        failure_ = fed.error();
    }
    return fed;
}

// Takes plaintext into the chunk being filled. A full chunk is sealed only
// when more plaintext arrives: only then is it known not to be the last.
std::expected<void, Error> StreamSealer::Feed(std::span<const std::uint8_t> plaintext) {
    plaintextBytes_ += plaintext.size();
    while (!plaintext.empty()) {
        const std::size_t room = v3::kChunkBytes - chunk_.size();
        if (plaintext.size() > room) {
            // The chunk fills and more follows. Its rest is sealed from
            // where the caller holds it, not copied into the buffer first.
            if (auto sealed = SealChunk(plaintext.first(room), false); !sealed) {
                return sealed;
            }
            plaintext = plaintext.subspan(room);
        } else {
            AppendBytes(chunk_, plaintext);
            plaintext = {};
        }
    }
    return {};
}

std::expected<void, Error> StreamSealer::Write(std::span<const std::uint8_t> bytes) {
    if (out_ != nullptr) {
        AppendBytes(*out_, bytes);
        return {};
    }
    return sink_(bytes);
}

std::expected<void, Error> StreamSealer::SealChunk(std::span<const std::uint8_t> more, bool last) {
    if (nextChunk_ >= v3::kMaxChunks) {
        return Failed(MakeError(ErrorCode::MessageTooLong));
    }
    const std::array<std::span<const std::uint8_t>, 2> pieces{std::span(chunk_), more};
    const std::size_t size = chunk_.size() + more.size() + v3::kTagBytes;
    std::uint8_t* target = sealed_.data();
    if (out_ != nullptr) {
        const std::size_t at = out_->size();
        out_->resize(at + size);
        target = out_->data() + at;
    }
    if (!cipher_->Seal(nextChunk_, last, pieces, target)) {
        return Failed(MakeError(ErrorCode::Internal));
    }
    ++nextChunk_;
    chunk_.clear();
    if (out_ == nullptr) {
        if (auto written = sink_(std::span(sealed_).first(size)); !written) {
            return Failed(written.error());
        }
    }
    return {};
}

std::expected<void, Error> StreamSealer::Finish() {
    if (failure_) {
        return std::unexpected(*failure_);
    }
    if (finished_) {
        return Failed(MakeError(ErrorCode::Internal));
    }
    finished_ = true;
    auto finished = WithoutExceptions([&]() -> std::expected<void, Error> {
        if (signer_ != nullptr) {
            const auto messageDigest = messageHash_->Finish();
            if (!messageDigest) {
                return Failed(messageDigest.error());
            }
            const v3::Statement statement =
                v3::SignedStatement(headerDigest_, signer_->KeyFingerprint(), *messageDigest);
            Bytes signature(signer_->SignatureBytes());
            if (auto signed_ = signer_->Sign(statement, signature); !signed_) {
                return Failed(signed_.error());
            }
            if (auto fed = Feed(signature); !fed) {
                return fed;
            }
        }
        // Never empty here: the preamble alone is one byte, and a full
        // chunk is kept back until more follows.
        return SealChunk({}, true);
    });
    if (!finished && !failure_) {
        failure_ = finished.error();
    }
    return finished;
}

}  // namespace zelvora
