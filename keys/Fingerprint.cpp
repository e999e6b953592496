#include "keys/Fingerprint.h"

#include "base/ErrorCode.h"
#include "base/SecureBytes.h"
#include "keys/Algorithms.h"
#include "keys/DerWriter.h"

#include <openssl/bn.h>
#include <openssl/core_names.h>
#include <openssl/evp.h>

#include <algorithm>
#include <iterator>
#include <memory>
#include <optional>

namespace zelvora {

namespace {

using BignumPtr = std::unique_ptr<BIGNUM, decltype(&BN_free)>;

// A positive INTEGER in its shortest form, with a leading zero byte where
// the top bit is set, so it does not read as negative.
bool AppendInteger(Bytes& out, const BIGNUM* number) {
    const int size = BN_num_bytes(number);
    if (size <= 0) {
        return false;
    }
    const bool pad = BN_num_bits(number) % 8 == 0;
    der::AppendHeader(out, 0x02, static_cast<std::size_t>(size) + (pad ? 1 : 0));
    if (pad) {
        out.push_back(0);
    }
    const std::size_t at = out.size();
    out.resize(at + static_cast<std::size_t>(size));
    return BN_bn2bin(number, out.data() + at) == size;
}

// The SubjectPublicKeyInfo DER of an RSA key (RFC 8017, appendix A.1.1, in
// RFC 5280's wrapper), written directly: OpenSSL's own encoder goes through
// its generic encoder framework, which costs a large share of a whole
// signed message's work for these few hundred bytes.
std::optional<Bytes> RsaPublicKeyInfo(const RsaKey& key) {
    BIGNUM* n = nullptr;
    BIGNUM* e = nullptr;
    const bool got = EVP_PKEY_get_bn_param(key.Handle(), OSSL_PKEY_PARAM_RSA_N, &n) == 1 &&
                     EVP_PKEY_get_bn_param(key.Handle(), OSSL_PKEY_PARAM_RSA_E, &e) == 1;
    const BignumPtr modulus(n, BN_free);
    const BignumPtr exponent(e, BN_free);
    if (!got) {
        return std::nullopt;
    }
    Bytes integers;
    if (!AppendInteger(integers, modulus.get()) || !AppendInteger(integers, exponent.get())) {
        return std::nullopt;
    }
    // AlgorithmIdentifier { rsaEncryption (1.2.840.113549.1.1.1), NULL }.
    static constexpr std::uint8_t kAlgorithm[] = {0x30, 0x0D, 0x06, 0x09, 0x2A, 0x86, 0x48, 0x86,
                                                  0xF7, 0x0D, 0x01, 0x01, 0x01, 0x05, 0x00};
    Bytes publicKey;
    der::AppendHeader(publicKey, 0x30, integers.size());
    publicKey.insert(publicKey.end(), integers.begin(), integers.end());
    Bytes bitString;
    der::AppendHeader(bitString, 0x03, publicKey.size() + 1);
    bitString.push_back(0);  // no unused bits
    bitString.insert(bitString.end(), publicKey.begin(), publicKey.end());
    Bytes info;
    der::AppendHeader(info, 0x30, sizeof kAlgorithm + bitString.size());
    info.insert(info.end(), std::begin(kAlgorithm), std::end(kAlgorithm));
    info.insert(info.end(), bitString.begin(), bitString.end());
    return info;
}

// The SubjectPublicKeyInfo of an Ed25519 key is a fixed header and the
// 32 key bytes (RFC 8410, section 4): AlgorithmIdentifier { id-Ed25519 }
// without parameters, and the key in a BIT STRING.
std::array<std::uint8_t, 12 + Ed25519Key::kPublicKeyBytes> Ed25519PublicKeyInfo(
    const Ed25519Key& key) {
    static constexpr std::uint8_t kHeader[] = {0x30, 0x2A, 0x30, 0x05, 0x06, 0x03,
                                               0x2B, 0x65, 0x70, 0x03, 0x21, 0x00};
    std::array<std::uint8_t, sizeof kHeader + Ed25519Key::kPublicKeyBytes> info{};
    std::ranges::copy(kHeader, info.begin());
    std::ranges::copy(key.PublicKey(), info.begin() + sizeof kHeader);
    return info;
}

std::expected<Fingerprint, Error> Sha256(std::span<const std::uint8_t> der) {
    const EVP_MD* const sha256 = algorithms::Sha256();
    Fingerprint digest{};
    unsigned int length = 0;
    if (sha256 == nullptr ||
        EVP_Digest(der.data(), der.size(), digest.data(), &length, sha256, nullptr) != 1 ||
        length != digest.size()) {
        return std::unexpected(MakeError(ErrorCode::Internal));
    }
    return digest;
}

}  // namespace

std::expected<Fingerprint, Error> KeyFingerprint(const RsaKey& key) {
    // Only the public half goes in, whichever half the key holds, in the
    // canonical form: a key read from a PKCS#1 blob gets the same
    // fingerprint as the same key read from SPKI.
    const auto der = WithoutExceptions(
        [&]() -> std::expected<std::optional<Bytes>, Error> { return RsaPublicKeyInfo(key); });
    if (!der || !*der) {
        return std::unexpected(MakeError(ErrorCode::Internal));
    }
    return Sha256(**der);
}

std::expected<Fingerprint, Error> KeyFingerprint(const Ed25519Key& key) {
    return Sha256(Ed25519PublicKeyInfo(key));
}

std::expected<Fingerprint, Error> KeyFingerprint(const AnyKey& key) {
    return key.Rsa() != nullptr ? KeyFingerprint(*key.Rsa()) : KeyFingerprint(*key.Ed25519());
}

std::expected<Bytes, Error> PublicKeyInfo(const AnyKey& key) {
    if (key.Ed25519() != nullptr) {
        const auto info = Ed25519PublicKeyInfo(*key.Ed25519());
        return Bytes(info.begin(), info.end());
    }
    const auto der = WithoutExceptions([&]() -> std::expected<std::optional<Bytes>, Error> {
        return RsaPublicKeyInfo(*key.Rsa());
    });
    if (!der || !*der) {
        return std::unexpected(MakeError(ErrorCode::Internal));
    }
    return std::move(**der);
}

std::string FingerprintText(const Fingerprint& fingerprint) {
    // 32 bytes take 44 base64 characters, the last of them one "=".
    unsigned char encoded[45] = {};
    const int length = EVP_EncodeBlock(encoded, fingerprint.data(), fingerprint.size());
    std::string text = "SHA256:";
    text.append(reinterpret_cast<const char*>(encoded), static_cast<std::size_t>(length));
    while (!text.empty() && text.back() == '=') {
        text.pop_back();
    }
    return text;
}

}  // namespace zelvora
