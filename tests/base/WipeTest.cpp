// Secrets are wiped before their memory goes back to the heap. The test
// replaces the global operator new and delete, so it runs as an executable
// of its own: every block handed back is looked at in operator delete, the
// last moment it still belongs to the program, never after it was freed.

#include "crypto/EncryptionEngine.h"
#include "crypto/RsaMethod.h"
#include "keys/KeyFile.h"
#include "base/HexText.h"
#include "tests/support/TestKeys.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <malloc.h>
#include <new>
#include <string>
#include <vector>

namespace {

// What operator delete checks. Plain arrays, so checking never allocates.
struct WatchedBlock {
    const void* address = nullptr;
    std::size_t size = 0;
    bool released = false;
    bool allZero = false;
};
WatchedBlock g_watched;

constexpr std::size_t kMaxPatterns = 4;
struct Sweep {
    bool active = false;
    const std::uint8_t* patterns[kMaxPatterns] = {};
    std::size_t patternSizes[kMaxPatterns] = {};
    std::size_t patternCount = 0;
    int blocks = 0;  // blocks looked at
    int hits = 0;    // blocks that still held a pattern
};
Sweep g_sweep;

void Inspect(const void* block, std::size_t size) {
    if (block == nullptr) {
        return;
    }
    if (block == g_watched.address && !g_watched.released) {
        const auto* bytes = static_cast<const std::uint8_t*>(block);
        g_watched.released = true;
        g_watched.allZero =
            std::all_of(bytes, bytes + g_watched.size, [](std::uint8_t b) { return b == 0; });
    }
    if (g_sweep.active) {
        ++g_sweep.blocks;
        for (std::size_t i = 0; i < g_sweep.patternCount; ++i) {
            if (memmem(block, size, g_sweep.patterns[i], g_sweep.patternSizes[i]) != nullptr) {
                ++g_sweep.hits;
                break;
            }
        }
    }
}

void* Allocate(std::size_t size) {
    void* block = std::malloc(size == 0 ? 1 : size);
    if (block == nullptr) {
        throw std::bad_alloc();
    }
    return block;
}

void Release(void* block, std::size_t size) noexcept {
    Inspect(block, size);
    std::free(block);
}

}  // namespace

void* operator new(std::size_t size) {
    return Allocate(size);
}
void* operator new[](std::size_t size) {
    return Allocate(size);
}
void operator delete(void* block) noexcept {
    Release(block, block != nullptr ? malloc_usable_size(block) : 0);
}
void operator delete[](void* block) noexcept {
    Release(block, block != nullptr ? malloc_usable_size(block) : 0);
}
void operator delete(void* block, std::size_t size) noexcept {
    Release(block, size);
}
void operator delete[](void* block, std::size_t size) noexcept {
    Release(block, size);
}

namespace zelvora {
namespace {

using test::Alice;

const Bytes kPlaintext = [] {
    const std::string text = "Meet me at the old mill at noon; bring the second key.";
    return Bytes(text.begin(), text.end());
}();

// The last bytes of a PKCS#8 RSA key are the end of its CRT coefficient,
// a private number.
Bytes PrivateTail() {
    const Bytes& blob = Alice().privateBlob;
    return Bytes(blob.end() - 24, blob.end());
}

std::unique_ptr<EncryptionEngine> EngineFor(const test::KeyPair& keys) {
    auto method = std::move(*RsaMethod::Create());
    EXPECT_TRUE(method->SetPrivateKeyBlob(std::span<const std::uint8_t>(keys.privateBlob)));
    EXPECT_TRUE(method->SetPublicKeyBlob(std::span<const std::uint8_t>(keys.publicBlob)));
    auto engine = std::move(*EncryptionEngine::Create());
    EXPECT_TRUE(engine->AttachMethod(method));
    return engine;
}

class WipeTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir_.isValid());
        keyFile_ = dir_.filePath(QStringLiteral("own.skey"));
        test::WriteKeyFile(keyFile_, Alice().privateBlob);
        ciphertext_ = *EngineFor(Alice())->EncryptBytes(kPlaintext, true);
    }
    void TearDown() override {
        g_watched = WatchedBlock();
        g_sweep = Sweep();
    }

    QTemporaryDir dir_;
    QString keyFile_;
    Bytes ciphertext_;
};

// ---- The buffers handed out: watched by address -----------------------------

struct HeldSecret {
    const char* name;
    // Makes the buffer, checks it holds the secret, watches it and drops it.
    std::function<void(const QString& keyFile, const Bytes& ciphertext)> run;
    bool wiped;
};

void PrintTo(const HeldSecret& row, std::ostream* out) {
    *out << row.name;
}

template <class Buffer>
void WatchAndDrop(Buffer buffer, const Bytes& expected) {
    ASSERT_TRUE(std::ranges::equal(buffer, expected));
    g_watched = WatchedBlock{buffer.data(), buffer.capacity()};
    Buffer().swap(buffer);
}

class HeldSecretTest : public WipeTest, public ::testing::WithParamInterface<HeldSecret> {};

TEST_P(HeldSecretTest, IsZeroWhenItsMemoryGoesBack) {
    GetParam().run(keyFile_, ciphertext_);
    ASSERT_TRUE(g_watched.released) << "the buffer never went back to the heap";
    EXPECT_EQ(g_watched.allZero, GetParam().wiped);
}

INSTANTIATE_TEST_SUITE_P(
    Buffers, HeldSecretTest,
    ::testing::Values(HeldSecret{"PrivateKeyFromKeyFile",
                                 [](const QString& keyFile, const Bytes&) {
                                     auto key = ReadKeyFile(keyFile.toStdString());
                                     ASSERT_TRUE(key.has_value() && key->has_value());
                                     WatchAndDrop(std::move(**key), Alice().privateBlob);
                                 },
                                 true},
                      HeldSecret{"DecryptedPlaintext",
                                 [](const QString&, const Bytes& ciphertext) {
                                     auto plaintext =
                                         EngineFor(Alice())->DecryptBytes(ciphertext, true);
                                     ASSERT_TRUE(plaintext.has_value());
                                     WatchAndDrop(std::move(*plaintext), kPlaintext);
                                 },
                                 true},
                      // The control: public data in a plain vector is not wiped, and the
                      // watch sees it, so a wiping that stopped working would show.
                      HeldSecret{"PlainBytesAreNotWiped",
                                 [](const QString&, const Bytes&) {
                                     WatchAndDrop(Bytes(kPlaintext), kPlaintext);
                                 },
                                 false}),
    [](const auto& info) { return std::string(info.param.name); });

// ---- Everything freed during an operation: searched for the secret ----------

struct Operation {
    const char* name;
    // The secrets no block may hold when it goes back to the heap.
    std::function<std::vector<Bytes>()> secrets;
    std::function<void(const QString& keyFile, const Bytes& ciphertext)> run;
    bool leavesSecret;
};

void PrintTo(const Operation& row, std::ostream* out) {
    *out << row.name;
}

class OperationTest : public WipeTest, public ::testing::WithParamInterface<Operation> {};

TEST_P(OperationTest, LeavesNoSecretInFreedMemory) {
    const std::vector<Bytes> secrets = GetParam().secrets();
    ASSERT_LE(secrets.size(), kMaxPatterns);
    for (const Bytes& secret : secrets) {
        g_sweep.patterns[g_sweep.patternCount] = secret.data();
        g_sweep.patternSizes[g_sweep.patternCount] = secret.size();
        ++g_sweep.patternCount;
    }
    g_sweep.active = true;
    GetParam().run(keyFile_, ciphertext_);
    g_sweep.active = false;

    EXPECT_GT(g_sweep.blocks, 0) << "operator delete was not replaced";
    EXPECT_EQ(g_sweep.hits > 0, GetParam().leavesSecret) << g_sweep.hits << " blocks";
}

// The private tail as the key file holds it, as the key blob holds it, and
// reversed, as the key import lays numbers out for OpenSSL.
std::vector<Bytes> PrivateKeyForms() {
    const Bytes tail = PrivateTail();
    const QByteArray hex = BytesToHex(tail).toLatin1();
    return {tail, Bytes(tail.rbegin(), tail.rend()), Bytes(hex.begin(), hex.end())};
}

INSTANTIATE_TEST_SUITE_P(
    Operations, OperationTest,
    ::testing::Values(Operation{"ReadingTheKeyFile", PrivateKeyForms,
                                [](const QString& keyFile, const Bytes&) {
                                    ASSERT_TRUE(ReadKeyFile(keyFile.toStdString()).has_value());
                                },
                                false},
                      Operation{"LoadingThePrivateKey", PrivateKeyForms,
                                [](const QString&, const Bytes&) {
                                    auto method = std::move(*RsaMethod::Create());
                                    ASSERT_TRUE(method->SetPrivateKeyBlob(
                                        std::span<const std::uint8_t>(Alice().privateBlob)));
                                },
                                false},
                      Operation{"Decrypting", [] { return std::vector<Bytes>{kPlaintext}; },
                                [](const QString&, const Bytes& ciphertext) {
                                    ASSERT_TRUE(EngineFor(Alice())->DecryptBytes(ciphertext, true));
                                },
                                false},
                      // Only the tag is changed, so the refused plaintext is the real one;
                      // it must not outlive the refusal.
                      Operation{"RefusingAChangedTag",
                                [] { return std::vector<Bytes>{kPlaintext}; },
                                [](const QString&, const Bytes& ciphertext) {
                                    Bytes changed = ciphertext;
                                    changed.back() ^= 1;
                                    ASSERT_FALSE(EngineFor(Alice())->DecryptBytes(changed, true));
                                },
                                false},
                      // The control: a copy in a plain string is found when it is freed.
                      Operation{"PlainCopyIsFound", [] { return std::vector<Bytes>{kPlaintext}; },
                                [](const QString&, const Bytes&) {
                                    const std::string copy(kPlaintext.begin(), kPlaintext.end());
                                    // Keeps the compiler from leaving the copy out.
                                    asm volatile("" : : "r"(copy.data()) : "memory");
                                },
                                true}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace zelvora
