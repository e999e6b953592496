// Secrets are wiped before their memory goes back to the heap. The test
// watches free itself, so it sees every block handed back, whether project
// code, Qt or OpenSSL frees it and whether it was made by operator new,
// malloc or realloc; each block is looked at the last moment it still
// belongs to the program, never after it was freed. The test binary
// replaces malloc, free and realloc for the whole process (AddressSanitizer
// owns them in the sanitizer build, and calls hooks of ours instead), so it
// runs as an executable of its own.

#include "crypto/EncryptionEngine.h"
#include "crypto/RsaMethod.h"
#include "keys/Ed25519Key.h"
#include "keys/KeyPairGenerator.h"
#include "keys/KeyFile.h"
#include "message/WindowHex.h"
#include "message/DecryptFromClipboard.h"
#include "message/EncryptToClipboard.h"
#include "tests/fakes/FakeClipboard.h"
#include "tests/fakes/FakeWorkWindow.h"
#include "tests/fakes/RecordingMessageBox.h"
#include "tests/support/CryptoTestKeys.h"
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

#if defined(__SANITIZE_ADDRESS__)
// The sanitizer runtime's allocator interface; g++ ships no header for it.
extern "C" int __sanitizer_install_malloc_and_free_hooks(void (*onMalloc)(const volatile void*,
                                                                          std::size_t),
                                                         void (*onFree)(const volatile void*));
extern "C" std::size_t __sanitizer_get_allocated_size(const volatile void* block);
#endif

namespace {

// What free checks. Plain arrays, so checking never allocates.
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

// During a sweep new blocks start out zero: heap memory is reused as it is,
// and a block must not count against the operation for what an earlier,
// unwiped owner left in it (the test's own key set-up, for one).
void Fresh(void* block, std::size_t size) {
    if (block != nullptr && g_sweep.active) {
        std::memset(block, 0, size);
    }
}

#if defined(__SANITIZE_ADDRESS__)
void OnMalloc(const volatile void* block, std::size_t size) {
    Fresh(const_cast<void*>(block), size);
}
void OnFree(const volatile void* block) {
    void* plain = const_cast<void*>(block);
    Inspect(plain, __sanitizer_get_allocated_size(plain));
}
const int g_hooksInstalled = __sanitizer_install_malloc_and_free_hooks(OnMalloc, OnFree);
#endif

}  // namespace

#if !defined(__SANITIZE_ADDRESS__)
// glibc's own entry points, which the replacements pass the work on to.
extern "C" void* __libc_malloc(std::size_t size);
extern "C" void __libc_free(void* block);

extern "C" void* malloc(std::size_t size) noexcept {
    void* block = __libc_malloc(size);
    Fresh(block, block != nullptr ? malloc_usable_size(block) : 0);
    return block;
}

extern "C" void free(void* block) noexcept {
    if (block != nullptr) {
        Inspect(block, malloc_usable_size(block));
    }
    __libc_free(block);
}

// realloc frees the old block inside the C library, out of free's sight, so
// it always moves the block here and frees the old one through free.
extern "C" void* realloc(void* block, std::size_t size) noexcept {
    if (block == nullptr) {
        return malloc(size);
    }
    if (size == 0) {
        free(block);
        return nullptr;
    }
    void* moved = malloc(size);
    if (moved != nullptr) {
        std::memcpy(moved, block, std::min(size, malloc_usable_size(block)));
        free(block);
    }
    return moved;
}
#endif

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

QString PublicKeyFile(const QString& privateKeyFile) {
    return QString(privateKeyFile).replace(QStringLiteral(".skey"), QStringLiteral(".pkey"));
}

const QString kMessage = QString::fromLatin1(reinterpret_cast<const char*>(kPlaintext.data()),
                                             static_cast<qsizetype>(kPlaintext.size()));

// The message as its bytes and as a QString holds it in memory.
std::vector<Bytes> MessageForms() {
    const auto* utf16 = reinterpret_cast<const std::uint8_t*>(kMessage.constData());
    return {kPlaintext, Bytes(utf16, utf16 + kMessage.size() * sizeof(QChar))};
}

// The two buttons' operations against stand-ins for the window and the
// clipboard. The real text widget keeps copies of the message in its
// document, undo stack and layout, and frees them unwiped; those are Qt's and
// out of reach. The stand-in window copies the text in and out as the widget
// does, and it and the text typed into it outlive the search, so every block
// freed during it was released by project code, and none may hold the message.
struct StandIns {
    FakeWorkWindow window;
    FakeClipboard clipboard;
    RecordingMessageBox box;
};
std::unique_ptr<StandIns> g_standIns;
const QString kTyped = kMessage;

void PressButton(const QString& keyFile, const Bytes& ciphertext, bool encrypt) {
    g_standIns = std::make_unique<StandIns>();
    auto& [window, clipboard, box] = *g_standIns;
    window.privateKeyPath = keyFile;
    window.publicKeyPath = PublicKeyFile(keyFile);
    if (encrypt) {
        window.message = kTyped;
        EncryptToClipboard(window, clipboard, box);
        ASSERT_TRUE(window.message.isEmpty());
    } else {
        clipboard.content = BytesToHex(ciphertext);
        DecryptFromClipboard(window, clipboard, box);
        ASSERT_EQ(window.message, kMessage);
    }
    ASSERT_TRUE(box.shown.isEmpty()) << box.shown.join(" | ").toStdString();
}

class WipeTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir_.isValid());
        keyFile_ = dir_.filePath(QStringLiteral("own.skey"));
        test::WriteKeyFile(keyFile_, Alice().privateBlob);
        test::WriteKeyFile(PublicKeyFile(keyFile_), Alice().publicBlob);
        ciphertext_ = *EngineFor(Alice())->EncryptBytes(kPlaintext, true);
    }
    void TearDown() override {
        g_standIns.reset();
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
    // Small secret blocks wait, wiped, for reuse; this sends them on.
    ReleaseSecretCache();
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
                                     auto key =
                                         ReadKeyFile(keyFile.toStdString(), KeyFileKind::Private);
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

    EXPECT_GT(g_sweep.blocks, 0) << "free is not watched";
    EXPECT_EQ(g_sweep.hits > 0, GetParam().leavesSecret) << g_sweep.hits << " blocks";
}

// The private tail as the key file holds it, as the key blob holds it, and
// reversed, as the key import lays numbers out for OpenSSL.
std::vector<Bytes> PrivateKeyForms() {
    const Bytes tail = PrivateTail();
    const QByteArray hex = BytesToHex(tail).toLatin1();
    return {tail, Bytes(tail.rbegin(), tail.rend()), Bytes(hex.begin(), hex.end())};
}

// How a 2048-bit private key's DER begins: PKCS#8's algorithm and the
// OCTET STRING around the key (a public key has a BIT STRING there), and
// PKCS#1's version followed by the modulus.
std::vector<Bytes> PrivateKeyDerHeads() {
    return {{0x30, 0x0D, 0x06, 0x09, 0x2A, 0x86, 0x48, 0x86, 0xF7, 0x0D, 0x01, 0x01, 0x01, 0x05,
             0x00, 0x04, 0x82},
            {0x02, 0x01, 0x00, 0x02, 0x82, 0x01, 0x01, 0x00}};
}

INSTANTIATE_TEST_SUITE_P(
    Operations, OperationTest,
    ::testing::Values(
        Operation{"ReadingTheKeyFile", PrivateKeyForms,
                  [](const QString& keyFile, const Bytes&) {
                      ASSERT_TRUE(
                          ReadKeyFile(keyFile.toStdString(), KeyFileKind::Private).has_value());
                  },
                  false},
        Operation{"LoadingThePrivateKey", PrivateKeyForms,
                  [](const QString&, const Bytes&) {
                      auto method = std::move(*RsaMethod::Create());
                      ASSERT_TRUE(method->SetPrivateKeyBlob(
                          std::span<const std::uint8_t>(Alice().privateBlob)));
                  },
                  false},
        // The seed ends the PKCS#8 blob.
        Operation{"LoadingAnEd25519PrivateKey",
                  [] {
                      const Bytes& blob = test::CryptoTestKeys::Ed25519().privateInfo;
                      return std::vector<Bytes>{Bytes(blob.end() - 24, blob.end())};
                  },
                  [](const QString&, const Bytes&) {
                      ASSERT_TRUE(Ed25519Key::FromPrivateKeyBlob(
                          test::CryptoTestKeys::Ed25519().privateInfo));
                  },
                  false},
        Operation{"Decrypting", [] { return std::vector<Bytes>{kPlaintext}; },
                  [](const QString&, const Bytes& ciphertext) {
                      ASSERT_TRUE(EngineFor(Alice())->DecryptBytes(ciphertext, true));
                  },
                  false},
        // Only the tag is changed, so the refused plaintext is the real one;
        // it must not outlive the refusal.
        Operation{"RefusingAChangedTag", [] { return std::vector<Bytes>{kPlaintext}; },
                  [](const QString&, const Bytes& ciphertext) {
                      Bytes changed = ciphertext;
                      changed.back() ^= 1;
                      ASSERT_FALSE(EngineFor(Alice())->DecryptBytes(changed, true));
                  },
                  false},
        Operation{"EncryptToClipboard", MessageForms,
                  [](const QString& keyFile, const Bytes& ciphertext) {
                      PressButton(keyFile, ciphertext, true);
                  },
                  false},
        Operation{"DecryptFromClipboard", MessageForms,
                  [](const QString& keyFile, const Bytes& ciphertext) {
                      PressButton(keyFile, ciphertext, false);
                  },
                  false},
        // A fresh key is not known beforehand, but its DER forms open the
        // same way every time.
        Operation{
            "GeneratingAKeyPair", PrivateKeyDerHeads,
            [](const QString&, const Bytes&) { ASSERT_TRUE(KeyPairGenerator(2048).Generate()); },
            false},
        // The PKCS#8 head of an Ed25519 private key (RFC 8410), up to the seed.
        Operation{"GeneratingAnEd25519KeyPair",
                  [] {
                      return std::vector<Bytes>{{0x30, 0x2E, 0x02, 0x01, 0x00, 0x30, 0x05, 0x06,
                                                 0x03, 0x2B, 0x65, 0x70, 0x04, 0x22, 0x04, 0x20}};
                  },
                  [](const QString&, const Bytes&) {
                      ASSERT_TRUE(KeyPairGenerator(KeyKind::Ed25519, 0).Generate());
                  },
                  false},
        // A signed round trip with the writer's copy: the seed and the
        // message are in no block freed on the way.
        Operation{"SigningAndReadingWithAnEd25519Key",
                  [] {
                      const Bytes& blob = test::CryptoTestKeys::Ed25519().privateInfo;
                      return std::vector<Bytes>{Bytes(blob.end() - 24, blob.end()), kPlaintext};
                  },
                  [](const QString&, const Bytes&) {
                      // Kept, so the test's own copy of the blob is never freed.
                      static const test::KeyPair ed{test::CryptoTestKeys::Ed25519().privateInfo,
                                                    test::CryptoTestKeys::Ed25519().publicInfo};
                      const auto engine = EngineFor(ed);
                      const auto sealed = engine->EncryptBytes(kPlaintext, true);
                      ASSERT_TRUE(sealed);
                      ASSERT_TRUE(engine->DecryptMessage(*sealed, true));
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
