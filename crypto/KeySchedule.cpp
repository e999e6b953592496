#include "crypto/KeySchedule.h"

#include "base/ErrorCode.h"
#include "keys/Algorithms.h"

#include <openssl/core_names.h>
#include <openssl/crypto.h>
#include <openssl/err.h>
#include <openssl/evp.h>
#include <openssl/kdf.h>
#include <openssl/params.h>

#include <algorithm>
#include <memory>
#include <string_view>

namespace zelvora::v3 {
namespace {

constexpr std::string_view kHeaderInfo = "Zelvora v3 header";
constexpr std::string_view kPayloadInfo = "Zelvora v3 payload";

std::unexpected<Error> Fail() {
    ERR_clear_error();
    return std::unexpected(MakeError(ErrorCode::Internal));
}

EVP_KDF* Hkdf() {
    return algorithms::Hkdf();
}
EVP_MAC* Hmac() {
    return algorithms::Hmac();
}

char* Sha256Name() {
    static char name[] = "SHA256";
    return name;
}

std::expected<void, Error> Derive(const MessageKey& secret, std::span<const std::uint8_t> salt,
                                  std::string_view info, MessageKey& out) {
    const std::unique_ptr<EVP_KDF_CTX, decltype(&EVP_KDF_CTX_free)> context(
        Hkdf() != nullptr ? EVP_KDF_CTX_new(Hkdf()) : nullptr, EVP_KDF_CTX_free);
    if (!context) {
        return Fail();
    }
    std::array<OSSL_PARAM, 5> parameters{};
    std::size_t at = 0;
    parameters[at++] = OSSL_PARAM_construct_utf8_string(OSSL_KDF_PARAM_DIGEST, Sha256Name(), 0);
    parameters[at++] = OSSL_PARAM_construct_octet_string(
        OSSL_KDF_PARAM_KEY, const_cast<std::uint8_t*>(secret.data()), secret.size());
    // No salt given is RFC 5869's "not provided": a string of zeros as long
    // as the hash, the same HMAC key as the empty salt.
    if (!salt.empty()) {
        parameters[at++] = OSSL_PARAM_construct_octet_string(
            OSSL_KDF_PARAM_SALT, const_cast<std::uint8_t*>(salt.data()), salt.size());
    }
    parameters[at++] = OSSL_PARAM_construct_octet_string(
        OSSL_KDF_PARAM_INFO, const_cast<char*>(info.data()), info.size());
    parameters[at] = OSSL_PARAM_construct_end();
    if (EVP_KDF_derive(context.get(), out.data(), out.size(), parameters.data()) != 1) {
        return Fail();
    }
    return {};
}

}  // namespace

bool KeyScheduleAvailable() {
    return Hkdf() != nullptr && Hmac() != nullptr;
}

std::expected<void, Error> DeriveHeaderKey(const MessageKey& messageKey, MessageKey& headerKey) {
    return Derive(messageKey, {}, kHeaderInfo, headerKey);
}

std::expected<void, Error> DerivePayloadKey(const MessageKey& messageKey,
                                            std::span<const std::uint8_t> salt,
                                            MessageKey& payloadKey) {
    return Derive(messageKey, salt, kPayloadInfo, payloadKey);
}

std::expected<Mac, Error> HeaderMac(const MessageKey& headerKey,
                                    std::span<const std::uint8_t> header) {
    const std::unique_ptr<EVP_MAC_CTX, decltype(&EVP_MAC_CTX_free)> context(
        Hmac() != nullptr ? EVP_MAC_CTX_new(Hmac()) : nullptr, EVP_MAC_CTX_free);
    const std::array<OSSL_PARAM, 2> parameters{
        OSSL_PARAM_construct_utf8_string(OSSL_MAC_PARAM_DIGEST, Sha256Name(), 0),
        OSSL_PARAM_construct_end()};
    Mac mac{};
    std::size_t written = 0;
    if (!context ||
        EVP_MAC_init(context.get(), headerKey.data(), headerKey.size(), parameters.data()) != 1 ||
        EVP_MAC_update(context.get(), header.data(), header.size()) != 1 ||
        EVP_MAC_final(context.get(), mac.data(), &written, mac.size()) != 1 ||
        written != mac.size()) {
        return Fail();
    }
    return mac;
}

Statement SignedStatement(const Digest& header, const Fingerprint& signer, const Digest& message) {
    Statement statement{};
    auto at = std::copy(kSignedContext.begin(), kSignedContext.end(), statement.begin());
    at = std::copy(header.begin(), header.end(), at);
    at = std::copy(signer.begin(), signer.end(), at);
    std::copy(message.begin(), message.end(), at);
    return statement;
}

}  // namespace zelvora::v3
