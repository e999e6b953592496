// Ed25519 keys beside RSA-3072, in the figures a user meets: making a key
// pair, one press's decryption of a short message (decode the DER key
// blobs, unwrap, open), and how long a signed short message's hex text is.
// Every round decodes the keys anew, as every press reads the key files anew.

#include "bench/BenchKeys.h"
#include "crypto/EncryptionEngine.h"
#include "crypto/RsaMethod.h"
#include "keys/AnyKey.h"
#include "keys/Curve25519Map.h"
#include "keys/KeyPairGenerator.h"
#include "tests/support/CryptoTestKeys.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <memory>

namespace zelvora {
namespace {

using bench::Keys3072;

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

// What InitEncryptionMethod and the engine do for one press, minus reading
// the files. Without the private key the engine cannot sign.
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

// What the engine writes (format version 3), unsigned.
Bytes MadeCiphertext(const bench::BenchKeyPair& keys, std::size_t size) {
    auto ciphertext = LoadedEngine(keys, false)->EncryptBytes(Message(size), true);
    if (!ciphertext) {
        Die("EncryptBytes");
    }
    return std::move(*ciphertext);
}

// Set keys + DecryptBytes with RSA-3072: the figure the Ed25519 row is held
// against.
void BM_Decrypt_Ours(benchmark::State& state) {
    const auto& keys = Keys3072();
    const Bytes ciphertext = MadeCiphertext(keys, static_cast<std::size_t>(state.range(0)));
    for (auto _ : state) {
        auto plaintext = LoadedEngine(keys)->DecryptBytes(ciphertext, true);
        if (!plaintext) {
            Die("DecryptBytes");
        }
        benchmark::DoNotOptimize(plaintext->data());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * state.range(0));
}

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
    const Bytes ciphertext = MadeCiphertext(keys, static_cast<std::size_t>(state.range(0)));
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

// Each Ed25519 row runs beside the RSA-3072 figure it is held against, so
// drift of the machine between them stays small.
[[maybe_unused]] const bool kRegistered = [] {
    const auto add = [](const char* name, void (*function)(benchmark::State&), std::int64_t arg) {
        benchmark::RegisterBenchmark(name, function)->Arg(arg)->Unit(benchmark::kMicrosecond);
    };
    // 0 Ed25519, 1 RSA-3072. An RSA pair takes up to seconds: a few suffice.
    add("BM_KeyPair", BM_KeyPair, 0);
    benchmark::RegisterBenchmark("BM_KeyPair", BM_KeyPair)
        ->Arg(1)
        ->Iterations(3)
        ->Unit(benchmark::kMillisecond);
    add("BM_DecryptEd25519_Ours", BM_DecryptEd25519_Ours, kKiB);
    benchmark::RegisterBenchmark("BM_Ed25519PublicToX25519", BM_Ed25519PublicToX25519)
        ->Unit(benchmark::kMicrosecond);
    add("BM_Decrypt_Ours", BM_Decrypt_Ours, kKiB);
    for (const std::int64_t kind : {0, 1}) {
        add("BM_SignedTwoLetters", BM_SignedTwoLetters, kind);
    }
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
