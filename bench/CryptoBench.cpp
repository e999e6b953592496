// One press's worth of component work, ours against the bare OpenSSL calls
// the same work needs: decode the DER key blobs, one RSA-OAEP operation
// (RFC 8017, SHA-256), AES-256-GCM (NIST SP 800-38D) over the message, and
// for a signed message the two fingerprints and one RSASSA-PSS operation.
// Both sides decode the keys anew on every round, as every press reads the
// key files anew, and both write into an output buffer of their own. An
// unsigned Encrypt is one made with no private key named, so only the
// public key is decoded for it.

// The floor decodes with the low-level RSA calls: in OpenSSL 3 the EVP-level
// d2i_PrivateKey and d2i_PUBKEY go through the generic decoder and cost
// 40 to 60 times more, which would make a floor too easy to meet.
#define OPENSSL_SUPPRESS_DEPRECATED

#include "bench/BenchKeys.h"
#include "crypto/EncryptionEngine.h"
#include "crypto/FormatV1.h"
#include "crypto/FormatV2.h"
#include "crypto/RsaMethod.h"
#include "keys/AnyKey.h"
#include "keys/Curve25519Map.h"
#include "keys/KeyPairGenerator.h"
#include "tests/support/CryptoTestKeys.h"

#include <openssl/core_names.h>
#include <openssl/evp.h>
#include <openssl/rand.h>
#include <openssl/rsa.h>
#include <openssl/x509.h>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <array>
#include <initializer_list>
#include <span>
#include <cstdio>
#include <cstdlib>
#include <memory>

namespace zelvora {
namespace {

using bench::Keys3072;

constexpr std::size_t kNonce = 12;
constexpr std::size_t kTag = 16;
constexpr std::size_t kAesKey = 32;

[[noreturn]] void Die(const char* what) {
    std::fprintf(stderr, "benchmark failed: %s\n", what);
    std::abort();
}

Bytes Message(std::size_t size) {
    Bytes message(size);
    for (std::size_t i = 0; i < size; ++i) {
        message[i] = static_cast<std::uint8_t>(i * 131 + 7);
    }
    return message;
}

// Ours: what InitEncryptionMethod and the engine do for one press, minus
// reading the files. Without the private key the engine cannot sign.
std::unique_ptr<EncryptionEngine> LoadedEngine(const bench::BenchKeyPair& keys,
                                               bool withPrivateKey = true) {
    auto engine = EncryptionEngine::Create();
    auto method = RsaMethod::Create();
    if (!engine || !method ||
        !(*method)->SetPrivateKeyBlob(withPrivateKey ? RsaMethod::Blob(keys.privateBlob)
                                                     : std::nullopt) ||
        !(*method)->SetPublicKeyBlob(keys.publicBlob) || !(*engine)->AttachMethod(*method)) {
        Die("loading the keys");
    }
    return std::move(*engine);
}

// What the engine writes (format version 3): signed when made with the
// private key, else unsigned.
Bytes MadeCiphertext(const bench::BenchKeyPair& keys, std::size_t size, bool signing) {
    auto ciphertext = LoadedEngine(keys, signing)->EncryptBytes(Message(size), true);
    if (!ciphertext) {
        Die("EncryptBytes");
    }
    return std::move(*ciphertext);
}

// The single-recipient layout the floors read: format version 2 when
// signed, else version 1, written through the formats themselves.
Bytes FloorCiphertext(const bench::BenchKeyPair& keys, std::size_t size, bool signing) {
    auto method = RsaMethod::Create();
    if (!method || !(*method)->SetPrivateKeyBlob(keys.privateBlob) ||
        !(*method)->SetPublicKeyBlob(keys.publicBlob)) {
        Die("loading the keys");
    }
    const RsaKey& to = *(*method)->PublicKey()->Rsa();
    auto ciphertext =
        signing ? FormatV2::Instance().Encrypt(to, (*method)->PrivateKey()->Rsa(), Message(size))
                : FormatV1::Instance().Encrypt(to, nullptr, Message(size));
    if (!ciphertext) {
        Die("Encrypt, versions 1 and 2");
    }
    return std::move(*ciphertext);
}

void BM_Encrypt_Ours(benchmark::State& state) {
    const auto& keys = Keys3072();
    const Bytes message = Message(static_cast<std::size_t>(state.range(0)));
    for (auto _ : state) {
        auto ciphertext = LoadedEngine(keys, false)->EncryptBytes(message, true);
        if (!ciphertext) {
            Die("EncryptBytes");
        }
        benchmark::DoNotOptimize(ciphertext->data());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * state.range(0));
}

void BM_Decrypt_Ours(benchmark::State& state) {
    const auto& keys = Keys3072();
    const Bytes ciphertext = MadeCiphertext(keys, static_cast<std::size_t>(state.range(0)), false);
    for (auto _ : state) {
        auto plaintext = LoadedEngine(keys)->DecryptBytes(ciphertext, true);
        if (!plaintext) {
            Die("DecryptBytes");
        }
        benchmark::DoNotOptimize(plaintext->data());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * state.range(0));
}

// ---- The floor: bare OpenSSL calls ----

using Pkey = std::unique_ptr<EVP_PKEY, decltype(&EVP_PKEY_free)>;
using PkeyCtx = std::unique_ptr<EVP_PKEY_CTX, decltype(&EVP_PKEY_CTX_free)>;
using CipherCtx = std::unique_ptr<EVP_CIPHER_CTX, decltype(&EVP_CIPHER_CTX_free)>;

Pkey DecodePrivate(const Bytes& blob) {
    const unsigned char* at = blob.data();
    std::unique_ptr<PKCS8_PRIV_KEY_INFO, decltype(&PKCS8_PRIV_KEY_INFO_free)> info(
        d2i_PKCS8_PRIV_KEY_INFO(nullptr, &at, static_cast<long>(blob.size())),
        PKCS8_PRIV_KEY_INFO_free);
    const unsigned char* inner = nullptr;
    int length = 0;
    if (!info || PKCS8_pkey_get0(nullptr, &inner, &length, nullptr, info.get()) != 1) {
        Die("d2i_PKCS8_PRIV_KEY_INFO");
    }
    RSA* rsa = d2i_RSAPrivateKey(nullptr, &inner, length);
    Pkey key(EVP_PKEY_new(), EVP_PKEY_free);
    if (rsa == nullptr || !key || EVP_PKEY_assign_RSA(key.get(), rsa) != 1) {
        Die("d2i_RSAPrivateKey");
    }
    return key;
}

Pkey DecodePublic(const Bytes& blob) {
    const unsigned char* at = blob.data();
    RSA* rsa = d2i_RSA_PUBKEY(nullptr, &at, static_cast<long>(blob.size()));
    Pkey key(EVP_PKEY_new(), EVP_PKEY_free);
    if (rsa == nullptr || !key || EVP_PKEY_assign_RSA(key.get(), rsa) != 1) {
        Die("d2i_RSA_PUBKEY");
    }
    return key;
}

std::array<OSSL_PARAM, 4> Oaep() {
    static char pad[] = OSSL_PKEY_RSA_PAD_MODE_OAEP;
    static char digest[] = "SHA256";
    return {OSSL_PARAM_construct_utf8_string(OSSL_ASYM_CIPHER_PARAM_PAD_MODE, pad, 0),
            OSSL_PARAM_construct_utf8_string(OSSL_ASYM_CIPHER_PARAM_OAEP_DIGEST, digest, 0),
            OSSL_PARAM_construct_utf8_string(OSSL_ASYM_CIPHER_PARAM_MGF1_DIGEST, digest, 0),
            OSSL_PARAM_construct_end()};
}

// Fetched once, outside the timing, which only flatters the floor.
const EVP_CIPHER* Gcm() {
    static EVP_CIPHER* const cipher = EVP_CIPHER_fetch(nullptr, "AES-256-GCM", nullptr);
    return cipher;
}

// The floor writes into fresh, uninitialised memory. The variants below add
// what the component's result types cost on top: a std::vector's storage is
// zeroed when it is made, and a plaintext is wiped when it is dropped. They
// are not floors, only a way to tell those costs from the rest.
enum class Extras { None, ZeroedOutput, ZeroedAndWiped };

std::unique_ptr<unsigned char[]> Output(std::size_t size, Extras extras) {
    return std::unique_ptr<unsigned char[]>(extras == Extras::None ? new unsigned char[size]
                                                                   : new unsigned char[size]());
}

// The outer layer's steps, shared by the floors. A fresh AES key and nonce,
// the key wrapped with RSA-OAEP into out[1, 1 + k).
void FloorWrap(EVP_PKEY* publicKey, std::size_t k, unsigned char* aesKey, unsigned char* out,
               unsigned char* nonce) {
    RAND_bytes(aesKey, kAesKey);
    RAND_bytes(nonce, kNonce);
    PkeyCtx rsa(EVP_PKEY_CTX_new_from_pkey(nullptr, publicKey, nullptr), EVP_PKEY_CTX_free);
    auto oaep = Oaep();
    std::size_t wrapped = k;
    if (EVP_PKEY_encrypt_init_ex(rsa.get(), oaep.data()) != 1 ||
        EVP_PKEY_encrypt(rsa.get(), out + 1, &wrapped, aesKey, kAesKey) != 1) {
        Die("OAEP encrypt");
    }
}

// GCM over the pieces one after the other into `body`, the first 1 + k
// bytes of `out` as additional data, the tag after the body.
void FloorSeal(const unsigned char* aesKey, const unsigned char* nonce, const unsigned char* out,
               std::size_t k, std::initializer_list<std::span<const unsigned char>> pieces,
               unsigned char* body) {
    CipherCtx gcm(EVP_CIPHER_CTX_new(), EVP_CIPHER_CTX_free);
    int written = 0;
    if (EVP_EncryptInit_ex2(gcm.get(), Gcm(), aesKey, nonce, nullptr) != 1 ||
        EVP_EncryptUpdate(gcm.get(), nullptr, &written, out, static_cast<int>(1 + k)) != 1) {
        Die("GCM encrypt");
    }
    for (const auto piece : pieces) {
        if (EVP_EncryptUpdate(gcm.get(), body, &written, piece.data(),
                              static_cast<int>(piece.size())) != 1) {
            Die("GCM encrypt");
        }
        body += piece.size();
    }
    if (EVP_EncryptFinal_ex(gcm.get(), body, &written) != 1 ||
        EVP_CIPHER_CTX_ctrl(gcm.get(), EVP_CTRL_GCM_GET_TAG, kTag, body) != 1) {
        Die("GCM encrypt");
    }
}

// Unwraps the AES key and opens the content of `in` into fresh memory;
// `size` is the content's length.
std::unique_ptr<unsigned char[]> FloorOpen(const Bytes& in, EVP_PKEY* privateKey, Extras extras,
                                           std::size_t& size) {
    const auto k = static_cast<std::size_t>(EVP_PKEY_get_size(privateKey));
    size = in.size() - 1 - k - kNonce - kTag;
    const unsigned char* nonce = in.data() + 1 + k;
    const unsigned char* body = nonce + kNonce;

    PkeyCtx rsa(EVP_PKEY_CTX_new_from_pkey(nullptr, privateKey, nullptr), EVP_PKEY_CTX_free);
    auto oaep = Oaep();
    unsigned char aesKey[512];
    std::size_t unwrapped = sizeof aesKey;
    if (EVP_PKEY_decrypt_init_ex(rsa.get(), oaep.data()) != 1 ||
        EVP_PKEY_decrypt(rsa.get(), aesKey, &unwrapped, in.data() + 1, k) != 1 ||
        unwrapped != kAesKey) {
        Die("OAEP decrypt");
    }

    std::unique_ptr<unsigned char[]> out = Output(size + 1, extras);
    CipherCtx gcm(EVP_CIPHER_CTX_new(), EVP_CIPHER_CTX_free);
    int written = 0;
    if (EVP_DecryptInit_ex2(gcm.get(), Gcm(), aesKey, nonce, nullptr) != 1 ||
        EVP_DecryptUpdate(gcm.get(), nullptr, &written, in.data(), static_cast<int>(1 + k)) != 1 ||
        EVP_DecryptUpdate(gcm.get(), out.get(), &written, body, static_cast<int>(size)) != 1 ||
        EVP_CIPHER_CTX_ctrl(gcm.get(), EVP_CTRL_GCM_SET_TAG, kTag,
                            const_cast<unsigned char*>(body + size)) != 1 ||
        EVP_DecryptFinal_ex(gcm.get(), out.get() + size, &written) != 1) {
        Die("GCM decrypt");
    }
    return out;
}

template <Extras extras>
void EncryptFloor(benchmark::State& state) {
    const auto& keys = Keys3072();
    const Bytes message = Message(static_cast<std::size_t>(state.range(0)));
    for (auto _ : state) {
        Pkey publicKey = DecodePublic(keys.publicBlob);
        const auto k = static_cast<std::size_t>(EVP_PKEY_get_size(publicKey.get()));
        const std::size_t total = 1 + k + kNonce + message.size() + kTag;
        std::unique_ptr<unsigned char[]> out = Output(total, extras);
        unsigned char aesKey[kAesKey];
        unsigned char* nonce = out.get() + 1 + k;
        out[0] = 1;
        FloorWrap(publicKey.get(), k, aesKey, out.get(), nonce);
        FloorSeal(aesKey, nonce, out.get(), k, {message}, nonce + kNonce);
        benchmark::DoNotOptimize(out.get());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * state.range(0));
}

template <Extras extras>
void DecryptFloor(benchmark::State& state) {
    const auto& keys = Keys3072();
    const Bytes in = FloorCiphertext(keys, static_cast<std::size_t>(state.range(0)), false);
    for (auto _ : state) {
        Pkey privateKey = DecodePrivate(keys.privateBlob);
        Pkey publicKey = DecodePublic(keys.publicBlob);
        std::size_t size = 0;
        std::unique_ptr<unsigned char[]> out = FloorOpen(in, privateKey.get(), extras, size);
        benchmark::DoNotOptimize(out.get());
        benchmark::DoNotOptimize(publicKey.get());
        if (extras == Extras::ZeroedAndWiped) {
            OPENSSL_cleanse(out.get(), size);
        }
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * state.range(0));
}

// ---- Signed messages (ours format version 3, the floor version 2) ----

void BM_EncryptSigned_Ours(benchmark::State& state) {
    const auto& keys = Keys3072();
    const Bytes message = Message(static_cast<std::size_t>(state.range(0)));
    for (auto _ : state) {
        auto ciphertext = LoadedEngine(keys)->EncryptBytes(message, true);
        if (!ciphertext || (*ciphertext)[0] != 3) {
            Die("EncryptBytes, signed");
        }
        benchmark::DoNotOptimize(ciphertext->data());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * state.range(0));
}

void BM_DecryptVerified_Ours(benchmark::State& state) {
    const auto& keys = Keys3072();
    const Bytes ciphertext = MadeCiphertext(keys, static_cast<std::size_t>(state.range(0)), true);
    for (auto _ : state) {
        auto message = LoadedEngine(keys)->DecryptMessage(ciphertext, true);
        if (!message || message->signature != SignatureState::Verified) {
            Die("DecryptMessage, verified");
        }
        benchmark::DoNotOptimize(message->text.data());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * state.range(0));
}

using MdCtx = std::unique_ptr<EVP_MD_CTX, decltype(&EVP_MD_CTX_free)>;
using Digest = std::array<unsigned char, 32>;

// SHA-256 of the key's SubjectPublicKeyInfo, by the cheapest route: the
// legacy encoder, which skips the generic encoder framework.
Digest FingerprintOf(EVP_PKEY* key) {
    unsigned char* der = nullptr;
    const int size = i2d_RSA_PUBKEY(EVP_PKEY_get0_RSA(key), &der);
    Digest digest{};
    if (size <= 0 || EVP_Digest(der, static_cast<std::size_t>(size), digest.data(), nullptr,
                                EVP_sha256(), nullptr) != 1) {
        Die("fingerprint");
    }
    OPENSSL_free(der);
    return digest;
}

std::array<OSSL_PARAM, 4> Pss() {
    static char pad[] = OSSL_PKEY_RSA_PAD_MODE_PSS;
    static char digest[] = "SHA256";
    static int salt = 32;
    return {OSSL_PARAM_construct_utf8_string(OSSL_SIGNATURE_PARAM_PAD_MODE, pad, 0),
            OSSL_PARAM_construct_utf8_string(OSSL_SIGNATURE_PARAM_MGF1_DIGEST, digest, 0),
            OSSL_PARAM_construct_int(OSSL_SIGNATURE_PARAM_PSS_SALTLEN, &salt),
            OSSL_PARAM_construct_end()};
}

// Feeds context, recipient, signer and message to a sign or verify context.
template <int (*Update)(EVP_MD_CTX*, const void*, std::size_t)>
void FeedSigned(EVP_MD_CTX* md, const Digest& recipient, const Digest& signer,
                const unsigned char* message, std::size_t size) {
    if (Update(md, FormatV2::kContext.data(), FormatV2::kContext.size()) != 1 ||
        Update(md, recipient.data(), recipient.size()) != 1 ||
        Update(md, signer.data(), signer.size()) != 1 || Update(md, message, size) != 1) {
        Die("feeding the signed data");
    }
}

int SignUpdate(EVP_MD_CTX* md, const void* data, std::size_t size) {
    return EVP_DigestSignUpdate(md, data, size);
}
int VerifyUpdate(EVP_MD_CTX* md, const void* data, std::size_t size) {
    return EVP_DigestVerifyUpdate(md, data, size);
}

// Decode both keys, both fingerprints, PSS sign, OAEP wrap, GCM over the
// signer's fingerprint, length, signature and message.
void EncryptSignedFloor(benchmark::State& state) {
    const auto& keys = Keys3072();
    const Bytes message = Message(static_cast<std::size_t>(state.range(0)));
    for (auto _ : state) {
        Pkey privateKey = DecodePrivate(keys.privateBlob);
        Pkey publicKey = DecodePublic(keys.publicBlob);
        const auto k = static_cast<std::size_t>(EVP_PKEY_get_size(publicKey.get()));
        const auto s = static_cast<std::size_t>(EVP_PKEY_get_size(privateKey.get()));
        const std::size_t head = 34 + s;
        const std::size_t total = 1 + k + kNonce + head + message.size() + kTag;
        std::unique_ptr<unsigned char[]> out(new unsigned char[total]);

        const Digest recipientPrint = FingerprintOf(publicKey.get());
        const Digest signerPrint = FingerprintOf(privateKey.get());
        unsigned char inner[34 + 2048];
        std::copy(signerPrint.begin(), signerPrint.end(), inner);
        inner[32] = static_cast<unsigned char>(s >> 8);
        inner[33] = static_cast<unsigned char>(s);
        MdCtx md(EVP_MD_CTX_new(), EVP_MD_CTX_free);
        auto pss = Pss();
        std::size_t signatureSize = s;
        if (EVP_DigestSignInit_ex(md.get(), nullptr, "SHA256", nullptr, nullptr, privateKey.get(),
                                  pss.data()) != 1) {
            Die("PSS init");
        }
        FeedSigned<SignUpdate>(md.get(), recipientPrint, signerPrint, message.data(),
                               message.size());
        if (EVP_DigestSignFinal(md.get(), inner + 34, &signatureSize) != 1) {
            Die("PSS sign");
        }

        unsigned char aesKey[kAesKey];
        unsigned char* nonce = out.get() + 1 + k;
        out[0] = 2;
        FloorWrap(publicKey.get(), k, aesKey, out.get(), nonce);
        FloorSeal(aesKey, nonce, out.get(), k,
                  {std::span<const unsigned char>(inner, head), message}, nonce + kNonce);
        benchmark::DoNotOptimize(out.get());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * state.range(0));
}

// Decode both keys, OAEP unwrap, GCM, both fingerprints, PSS verify.
void DecryptVerifiedFloor(benchmark::State& state) {
    const auto& keys = Keys3072();
    const Bytes ciphertext = FloorCiphertext(keys, static_cast<std::size_t>(state.range(0)), true);
    for (auto _ : state) {
        Pkey privateKey = DecodePrivate(keys.privateBlob);
        Pkey publicKey = DecodePublic(keys.publicBlob);
        std::size_t size = 0;
        std::unique_ptr<unsigned char[]> out =
            FloorOpen(ciphertext, privateKey.get(), Extras::None, size);
        const std::size_t s = (std::size_t{out[32]} << 8) | out[33];
        const Digest senderPrint = FingerprintOf(publicKey.get());
        const Digest ownPrint = FingerprintOf(privateKey.get());
        if (!std::equal(senderPrint.begin(), senderPrint.end(), out.get())) {
            Die("signer");
        }
        MdCtx md(EVP_MD_CTX_new(), EVP_MD_CTX_free);
        auto pss = Pss();
        if (EVP_DigestVerifyInit_ex(md.get(), nullptr, "SHA256", nullptr, nullptr, publicKey.get(),
                                    pss.data()) != 1) {
            Die("PSS init");
        }
        FeedSigned<VerifyUpdate>(md.get(), ownPrint, senderPrint, out.get() + 34 + s,
                                 size - 34 - s);
        if (EVP_DigestVerifyFinal(md.get(), out.get() + 34, s) != 1) {
            Die("PSS verify");
        }
        benchmark::DoNotOptimize(out.get());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * state.range(0));
}

// ---- Ed25519 keys beside RSA-3072 ----

bench::BenchKeyPair Pair(const test::EncodedKey& key) {
    return {key.privateInfo, key.publicInfo};
}
const bench::BenchKeyPair& Ed25519Keys() {
    static const bench::BenchKeyPair pair = Pair(test::CryptoTestKeys::Ed25519());
    return pair;
}
const bench::BenchKeyPair& OtherEd25519Keys() {
    static const bench::BenchKeyPair pair = Pair(test::CryptoTestKeys::OtherEd25519());
    return pair;
}
const bench::BenchKeyPair& OtherKeys3072() {
    static const bench::BenchKeyPair pair = [] {
        auto made = KeyPairGenerator(3072).Generate();
        if (!made) {
            Die("a second RSA-3072 pair");
        }
        return bench::BenchKeyPair{Bytes(made->privateKey.begin(), made->privateKey.end()),
                                   made->publicKey};
    }();
    return pair;
}

// The generator's own work for one pair: the key and its two DER forms.
void BM_KeyPair(benchmark::State& state) {
    const bool ed25519 = state.range(0) == 0;
    const KeyPairGenerator generator(ed25519 ? KeyKind::Ed25519 : KeyKind::Rsa, 3072);
    for (auto _ : state) {
        auto pair = generator.Generate();
        if (!pair) {
            Die("Generate");
        }
        benchmark::DoNotOptimize(pair->publicKey.data());
    }
}

// Set keys + DecryptBytes, as BM_Decrypt_Ours with an Ed25519 pair.
void BM_DecryptEd25519_Ours(benchmark::State& state) {
    const auto& keys = Ed25519Keys();
    const Bytes ciphertext = MadeCiphertext(keys, static_cast<std::size_t>(state.range(0)), false);
    for (auto _ : state) {
        auto plaintext = LoadedEngine(keys)->DecryptBytes(ciphertext, true);
        if (!plaintext) {
            Die("DecryptBytes, Ed25519");
        }
        benchmark::DoNotOptimize(plaintext->data());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * state.range(0));
}

// Taking another person's Ed25519 public key to its X25519 form, with every
// check, as encrypting to that person does once per recipient.
void BM_Ed25519PublicToX25519(benchmark::State& state) {
    const Bytes& info = OtherEd25519Keys().publicBlob;
    if (info.size() < 32) {
        Die("an Ed25519 public key");
    }
    std::array<std::uint8_t, 32> raw{};
    std::copy(info.end() - 32, info.end(), raw.begin());
    for (auto _ : state) {
        auto u = Ed25519PublicToX25519(raw);
        if (!u) {
            Die("Ed25519PublicToX25519");
        }
        benchmark::DoNotOptimize(u->data());
    }
}

// A signed two-letter message to someone else with the writer's copy: its
// length in hex digits, as it goes through a chat, is the counter.
void BM_SignedTwoLetters(benchmark::State& state) {
    const bool ed25519 = state.range(0) == 0;
    const auto& own = ed25519 ? Ed25519Keys() : Keys3072();
    const auto& to = ed25519 ? OtherEd25519Keys() : OtherKeys3072();
    auto engine = EncryptionEngine::Create();
    auto method = RsaMethod::Create();
    if (!engine || !method || !(*method)->SetPrivateKeyBlob(own.privateBlob) ||
        !(*method)->SetPublicKeyBlob(to.publicBlob) || !(*engine)->AttachMethod(*method)) {
        Die("loading the keys");
    }
    const Bytes message{'O', 'K'};
    std::size_t size = 0;
    for (auto _ : state) {
        auto ciphertext = (*engine)->EncryptBytes(message, true);
        if (!ciphertext) {
            Die("EncryptBytes, two letters");
        }
        size = ciphertext->size();
    }
    state.counters["hex_digits"] = static_cast<double>(2 * size);
}

constexpr std::int64_t kKiB = 1 << 10;
constexpr std::int64_t kMiB = 1 << 20;

// Ours and the floor run side by side at each size, so drift of the machine
// between them stays small.
[[maybe_unused]] const bool kRegistered = [] {
    const auto add = [](const char* name, void (*function)(benchmark::State&), std::int64_t size) {
        benchmark::RegisterBenchmark(name, function)->Arg(size)->Unit(benchmark::kMicrosecond);
    };
    for (const std::int64_t size : {kKiB, kMiB, 16 * kMiB}) {
        add("BM_Encrypt_Ours", BM_Encrypt_Ours, size);
        add("BM_Encrypt_Floor", EncryptFloor<Extras::None>, size);
    }
    for (const std::int64_t size : {kKiB, kMiB, 16 * kMiB}) {
        add("BM_Decrypt_Ours", BM_Decrypt_Ours, size);
        add("BM_Decrypt_Floor", DecryptFloor<Extras::None>, size);
    }
    for (const std::int64_t size : {kKiB, kMiB, 16 * kMiB}) {
        add("BM_EncryptSigned_Ours", BM_EncryptSigned_Ours, size);
        add("BM_EncryptSigned_Floor", EncryptSignedFloor, size);
    }
    for (const std::int64_t size : {kKiB, kMiB, 16 * kMiB}) {
        add("BM_DecryptVerified_Ours", BM_DecryptVerified_Ours, size);
        add("BM_DecryptVerified_Floor", DecryptVerifiedFloor, size);
    }
    add("BM_Encrypt_FloorZeroedOutput", EncryptFloor<Extras::ZeroedOutput>, 16 * kMiB);
    // 0 Ed25519, 1 RSA-3072. An RSA pair takes up to seconds: a few suffice.
    benchmark::RegisterBenchmark("BM_KeyPair", BM_KeyPair)->Arg(0)->Unit(benchmark::kMicrosecond);
    benchmark::RegisterBenchmark("BM_KeyPair", BM_KeyPair)
        ->Arg(1)
        ->Iterations(3)
        ->Unit(benchmark::kMillisecond);
    add("BM_DecryptEd25519_Ours", BM_DecryptEd25519_Ours, kKiB);
    benchmark::RegisterBenchmark("BM_Ed25519PublicToX25519", BM_Ed25519PublicToX25519)
        ->Unit(benchmark::kMicrosecond);
    for (const std::int64_t kind : {0, 1}) {
        add("BM_SignedTwoLetters", BM_SignedTwoLetters, kind);
    }
    add("BM_Decrypt_FloorZeroedAndWiped", DecryptFloor<Extras::ZeroedAndWiped>, 16 * kMiB);
    return true;
}();

}  // namespace
}  // namespace zelvora

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) {
        return 1;
    }
    // Made before the first measurement, so no benchmark's first rounds pay
    // for the key generation.
    zelvora::bench::Keys3072();
    zelvora::OtherKeys3072();
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
