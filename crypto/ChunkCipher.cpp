#include "crypto/ChunkCipher.h"

#include "base/ErrorCode.h"
#include "crypto/FormatV3Layout.h"
#include "keys/Algorithms.h"

#include <openssl/err.h>
#include <openssl/evp.h>

#include <array>
#include <climits>

namespace zelvora {
namespace {

constexpr std::size_t kNonceBytes = 12;
static_assert(v3::kSealedChunkBytes <= INT_MAX);

const EVP_CIPHER* AesGcm() {
    return algorithms::Aes256Gcm();
}

}  // namespace

void ChunkCipher::Free::operator()(evp_cipher_ctx_st* context) const noexcept {
    EVP_CIPHER_CTX_free(context);
}

ChunkCipher::ChunkCipher(std::unique_ptr<evp_cipher_ctx_st, Free> context)
    : context_(std::move(context)) {}

ChunkCipher::~ChunkCipher() = default;

std::expected<std::unique_ptr<ChunkCipher>, Error> ChunkCipher::Create(const MessageKey& payloadKey,
                                                                       bool encrypt) {
    return WithoutExceptions([&]() -> std::expected<std::unique_ptr<ChunkCipher>, Error> {
        std::unique_ptr<evp_cipher_ctx_st, Free> context(EVP_CIPHER_CTX_new());
        // The key schedule is worked out once here; each chunk only sets
        // its nonce.
        if (!context || AesGcm() == nullptr ||
            EVP_CipherInit_ex2(context.get(), AesGcm(), payloadKey.data(), nullptr, encrypt ? 1 : 0,
                               nullptr) != 1) {
            ERR_clear_error();
            return std::unexpected(MakeError(ErrorCode::Internal));
        }
        return std::unique_ptr<ChunkCipher>(new ChunkCipher(std::move(context)));
    });
}

// The chunk's index as an 11-byte big-endian number, then 0x01 for the last
// chunk and 0x00 for every other.
bool ChunkCipher::SetNonce(std::uint64_t index, bool last, bool encrypt) {
    std::array<std::uint8_t, kNonceBytes> nonce{};
    for (std::size_t i = 0; i < sizeof index; ++i) {
        nonce[kNonceBytes - 2 - i] = static_cast<std::uint8_t>(index >> (8 * i));
    }
    nonce[kNonceBytes - 1] = last ? 0x01 : 0x00;
    return EVP_CipherInit_ex2(context_.get(), nullptr, nullptr, nonce.data(), encrypt ? 1 : 0,
                              nullptr) == 1;
}

bool ChunkCipher::Seal(std::uint64_t index, bool last,
                       std::span<const std::span<const std::uint8_t>> pieces, std::uint8_t* out) {
    if (!SetNonce(index, last, true)) {
        ERR_clear_error();
        return false;
    }
    int written = 0;
    for (const auto piece : pieces) {
        if (piece.size() > v3::kChunkBytes ||
            EVP_EncryptUpdate(context_.get(), out, &written, piece.data(),
                              static_cast<int>(piece.size())) != 1 ||
            written != static_cast<int>(piece.size())) {
            ERR_clear_error();
            return false;
        }
        out += piece.size();
    }
    // GCM keeps nothing back, so the final step writes no bytes.
    if (EVP_EncryptFinal_ex(context_.get(), out, &written) != 1 || written != 0 ||
        EVP_CIPHER_CTX_ctrl(context_.get(), EVP_CTRL_GCM_GET_TAG, v3::kTagBytes, out) != 1) {
        ERR_clear_error();
        return false;
    }
    return true;
}

ChunkCipher::Outcome ChunkCipher::Open(std::uint64_t index, bool last,
                                       std::span<const std::uint8_t> sealed, std::uint8_t* out) {
    if (sealed.size() < v3::kTagBytes || sealed.size() > v3::kSealedChunkBytes) {
        return Outcome::Refused;
    }
    const std::size_t size = sealed.size() - v3::kTagBytes;
    int written = 0;
    if (!SetNonce(index, last, false) ||
        EVP_DecryptUpdate(context_.get(), out, &written, sealed.data(), static_cast<int>(size)) !=
            1 ||
        written != static_cast<int>(size) ||
        EVP_CIPHER_CTX_ctrl(context_.get(), EVP_CTRL_GCM_SET_TAG, v3::kTagBytes,
                            const_cast<std::uint8_t*>(sealed.data() + size)) != 1) {
        ERR_clear_error();
        return Outcome::Broken;
    }
    std::uint8_t none[1];
    if (EVP_DecryptFinal_ex(context_.get(), none, &written) != 1) {
        ERR_clear_error();
        return Outcome::Refused;
    }
    return Outcome::Done;
}

}  // namespace zelvora
