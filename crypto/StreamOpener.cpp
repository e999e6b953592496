#include "crypto/StreamOpener.h"

#include "base/ErrorCode.h"
#include "crypto/AppendBytes.h"
#include "crypto/ChunkCipher.h"
#include "crypto/FormatV3Layout.h"
#include "crypto/HeaderV3.h"
#include "crypto/KeySchedule.h"

#include <openssl/rand.h>

#include <algorithm>

namespace zelvora {

StreamOpener::StreamOpener(const Identity& identity, const SenderKey* sender, ByteSink sink)
    : identity_(identity), sender_(sender), sink_(std::move(sink)) {}

StreamOpener::~StreamOpener() = default;

std::expected<std::unique_ptr<StreamOpener>, Error> StreamOpener::Create(const Identity& identity,
                                                                         const SenderKey* sender,
                                                                         ByteSink sink) {
    return WithoutExceptions([&]() -> std::expected<std::unique_ptr<StreamOpener>, Error> {
        if (!sink) {
            return std::unexpected(MakeError(ErrorCode::Internal));
        }
        std::unique_ptr<StreamOpener> opener(new StreamOpener(identity, sender, std::move(sink)));
        opener->pending_.reserve(v3::kSealedChunkBytes);
        return opener;
    });
}

std::unexpected<Error> StreamOpener::Failed(Error error) {
    failure_ = error;
    // The held-back bytes and the last chunk's text are of no use now.
    held_.clear();
    return std::unexpected(error);
}

std::unexpected<Error> StreamOpener::Refused() {
    return Failed(MakeError(ErrorCode::NotForThisKey));
}

std::expected<void, Error> StreamOpener::Update(std::span<const std::uint8_t> ciphertext) {
    if (failure_) {
        return std::unexpected(*failure_);
    }
    if (finished_) {
        return Failed(MakeError(ErrorCode::Internal));
    }
    auto taken = WithoutExceptions([&]() -> std::expected<void, Error> {
        if (!ciphertext.empty() && !anyInput_) {
            anyInput_ = true;
            // Not a secret: the version byte is there for anyone to read.
            if (ciphertext[0] != v3::kVersion) {
                return Failed(MakeError(ErrorCode::CiphertextVersion));
            }
        }
        if (!cipher_) {
            if (auto taken = TakeHeader(ciphertext); !taken) {
                return taken;
            }
        }
        while (!ciphertext.empty()) {
            // A full sealed chunk is the last only when nothing follows it.
            if (pending_.size() == v3::kSealedChunkBytes) {
                if (auto opened = OpenChunk(pending_, false); !opened) {
                    return opened;
                }
                pending_.clear();
            }
            if (pending_.empty() && ciphertext.size() > v3::kSealedChunkBytes) {
                // A whole chunk with more after it, opened where the caller
                // holds it rather than copied first.
                if (auto opened = OpenChunk(ciphertext.first(v3::kSealedChunkBytes), false);
                    !opened) {
                    return opened;
                }
                ciphertext = ciphertext.subspan(v3::kSealedChunkBytes);
                continue;
            }
            const std::size_t take =
                std::min(v3::kSealedChunkBytes - pending_.size(), ciphertext.size());
            AppendBytes(pending_, ciphertext.first(take));
            ciphertext = ciphertext.subspan(take);
        }
        return {};
    });
    if (!taken && !failure_) {
        Failed(taken.error());
    }
    return taken;
}

// Takes in exactly the header's bytes and the payload salt, however the
// input is cut, and opens the header once they are all there.
std::expected<void, Error> StreamOpener::TakeHeader(std::span<const std::uint8_t>& ciphertext) {
    while (!ciphertext.empty()) {
        std::size_t wanted = 0;
        if (headerBytes_ != 0) {
            wanted = headerBytes_ + v3::kSaltBytes;
        } else {
            const v3::HeaderScan scan = v3::ScanHeader(header_);
            if (scan.state == v3::HeaderScan::State::Malformed) {
                return Refused();
            }
            if (scan.state == v3::HeaderScan::State::Complete) {
                headerBytes_ = scan.bytes;
                continue;
            }
            wanted = scan.bytes;
        }
        const std::size_t take = std::min(wanted - header_.size(), ciphertext.size());
        AppendBytes(header_, ciphertext.first(take));
        ciphertext = ciphertext.subspan(take);
        if (headerBytes_ != 0 && header_.size() == headerBytes_ + v3::kSaltBytes) {
            return OpenHeader();
        }
    }
    return {};
}

std::expected<void, Error> StreamOpener::OpenHeader() {
    const auto header = std::span<const std::uint8_t>(header_).first(headerBytes_);
    const auto salt = std::span<const std::uint8_t>(header_).subspan(headerBytes_);
    const std::vector<Stanza> stanzas = v3::ReadStanzas(header);

    MessageKey messageKey;
    const auto unwrapped = identity_.Unwrap(stanzas, messageKey);
    if (!unwrapped && unwrapped.error() != MakeError(ErrorCode::NotForThisKey)) {
        return Failed(unwrapped.error());
    }
    if (!unwrapped) {
        // The MAC is checked all the same, under a random key, so a message
        // no stanza opens costs the same as one whose MAC differs.
        (void)RAND_bytes(messageKey.data(), static_cast<int>(messageKey.size()));
    }
    const auto matches = v3::HeaderMacMatches(header, messageKey);
    if (!matches) {
        return Failed(matches.error());
    }
    if (!unwrapped || !*matches) {
        return Refused();
    }
    MessageKey payloadKey;
    if (auto derived = v3::DerivePayloadKey(messageKey, salt, payloadKey); !derived) {
        return Failed(derived.error());
    }
    auto cipher = ChunkCipher::Create(payloadKey, false);
    if (!cipher) {
        return Failed(cipher.error());
    }
    if (sender_ != nullptr) {
        auto digest = Sha256::Of(header);
        if (!digest) {
            return Failed(digest.error());
        }
        headerDigest_ = *digest;
    }
    cipher_ = std::move(*cipher);
    header_ = Bytes();
    return {};
}

std::expected<void, Error> StreamOpener::OpenChunk(std::span<const std::uint8_t> sealed,
                                                   bool last) {
    if (nextChunk_ >= v3::kMaxChunks) {
        return Refused();
    }
    // Grown to the largest chunk seen, not to a full chunk at once: a short
    // message then also wipes only a short buffer when it is done.
    const std::size_t size = std::max(sealed.size(), v3::kTagBytes + 1) - v3::kTagBytes;
    if (opened_.size() < size) {
        opened_.resize(size);
    }
    switch (cipher_->Open(nextChunk_, last, sealed, opened_.data())) {
        case ChunkCipher::Outcome::Done:
            break;
        case ChunkCipher::Outcome::Refused:
            return Refused();
        case ChunkCipher::Outcome::Broken:
            return Failed(MakeError(ErrorCode::Internal));
    }
    ++nextChunk_;
    auto plaintext = std::span<const std::uint8_t>(opened_).first(sealed.size() - v3::kTagBytes);
    if (!preambleRead_) {
        if (auto read = ReadPreamble(plaintext); !read) {
            return read;
        }
    }
    return Release(plaintext);
}

// The preamble says whether and how the message is signed, so how many
// bytes at its end are the signature. It lies wholly in the first chunk,
// since every chunk but the last is far longer than any preamble.
std::expected<void, Error> StreamOpener::ReadPreamble(std::span<const std::uint8_t>& plaintext) {
    std::size_t preambleBytes = 1;
    switch (plaintext.empty() ? 0xFF : plaintext[0]) {
        case v3::kUnsigned:
            result_.signature = SignatureState::Unsigned;
            break;
        case v3::kRsaSigned:
            preambleBytes = v3::kRsaPreambleBytes;
            if (plaintext.size() < preambleBytes) {
                return Refused();
            }
            trailerBytes_ =
                (std::size_t{plaintext[preambleBytes - 2]} << 8) | plaintext[preambleBytes - 1];
            if (trailerBytes_ < v3::kMinRsaSignature || trailerBytes_ > v3::kMaxRsaSignature) {
                return Refused();
            }
            break;
        case v3::kEd25519Signed:
            preambleBytes = v3::kEd25519PreambleBytes;
            trailerBytes_ = v3::kEd25519SignatureBytes;
            if (plaintext.size() < preambleBytes) {
                return Refused();
            }
            break;
        default:
            return Refused();
    }
    if (plaintext[0] != v3::kUnsigned) {
        Fingerprint signer{};
        std::copy_n(plaintext.begin() + 1, signer.size(), signer.begin());
        result_.signer = signer;
        if (sender_ == nullptr) {
            result_.signature = SignatureState::NoSenderKey;
        } else if (sender_->KeyFingerprint() != signer) {
            // Not checked: a signature by a key the reader has not named
            // tells nothing about who wrote the text.
            result_.signature = SignatureState::OtherSigner;
        } else if (sender_->SignatureKind() != plaintext[0] ||
                   sender_->SignatureBytes() != trailerBytes_) {
            result_.signature = SignatureState::BadSignature;
        } else {
            // Checked at the end; the text is hashed as it goes by.
            auto hash = Sha256::Start();
            if (!hash) {
                return Failed(hash.error());
            }
            messageHash_.emplace(std::move(*hash));
        }
    }
    plaintext = plaintext.subspan(preambleBytes);
    preambleRead_ = true;
    held_.reserve(trailerBytes_);
    return {};
}

// Passes on all but the last trailerBytes_ of the plaintext seen so far.
std::expected<void, Error> StreamOpener::Release(std::span<const std::uint8_t> plaintext) {
    if (held_.size() + plaintext.size() <= trailerBytes_) {
        AppendBytes(held_, plaintext);
        return {};
    }
    const std::size_t releasing = held_.size() + plaintext.size() - trailerBytes_;
    const std::size_t fromHeld = std::min(releasing, held_.size());
    if (auto emitted = Emit(std::span(held_).first(fromHeld)); !emitted) {
        return emitted;
    }
    const std::size_t fromNew = releasing - fromHeld;
    if (auto emitted = Emit(plaintext.first(fromNew)); !emitted) {
        return emitted;
    }
    held_.erase(held_.begin(), held_.begin() + static_cast<std::ptrdiff_t>(fromHeld));
    AppendBytes(held_, plaintext.subspan(fromNew));
    return {};
}

std::expected<void, Error> StreamOpener::Emit(std::span<const std::uint8_t> text) {
    if (text.empty()) {
        return {};
    }
    if (messageHash_ && !messageHash_->Update(text)) {
        return Failed(MakeError(ErrorCode::Internal));
    }
    if (auto written = sink_(text); !written) {
        return Failed(written.error());
    }
    return {};
}

std::expected<DecryptedMessage, Error> StreamOpener::Finish() {
    if (failure_) {
        return std::unexpected(*failure_);
    }
    if (finished_) {
        return Failed(MakeError(ErrorCode::Internal));
    }
    finished_ = true;
    if (!anyInput_) {
        return Failed(MakeError(ErrorCode::CiphertextEmpty));
    }
    // Cut inside the header, or a last chunk too short to hold a tag and a
    // byte of plaintext.
    if (!cipher_ || pending_.size() < v3::kTagBytes + 1) {
        return Refused();
    }
    auto opened = WithoutExceptions([&] { return OpenChunk(pending_, true); });
    if (!opened) {
        return failure_ ? std::unexpected(*failure_) : Failed(opened.error());
    }
    if (held_.size() != trailerBytes_) {
        return Refused();
    }
    if (messageHash_) {
        const auto messageDigest = messageHash_->Finish();
        if (!messageDigest) {
            return Failed(messageDigest.error());
        }
        const v3::Statement statement =
            v3::SignedStatement(headerDigest_, *result_.signer, *messageDigest);
        switch (sender_->Verify(statement, held_)) {
            case SenderKey::Check::Good:
                result_.signature = SignatureState::Verified;
                break;
            case SenderKey::Check::Bad:
                result_.signature = SignatureState::BadSignature;
                break;
            case SenderKey::Check::Broken:
                return Failed(MakeError(ErrorCode::Internal));
        }
    }
    held_.clear();
    return std::move(result_);
}

}  // namespace zelvora
