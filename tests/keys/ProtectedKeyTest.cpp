#include "keys/ProtectedKey.h"

#include "base/ErrorCode.h"
#include "keys/DerWriter.h"
#include "keys/KeyFile.h"
#include "tests/support/TestKeys.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <optional>

namespace zelvora {
namespace {

// Cheap enough to run many times; users never get it.
constexpr ScryptParameters kCheap{1024, 8, 1};
const SecureBytes kPassphrase{'t', 'e', 's', 't', ' ', 'p', 'a', 's', 's'};
const Error kWrong = MakeError(ErrorCode::PassphraseWrong);
const Error kCostly = MakeError(ErrorCode::UnlockTooCostly);
const Error kDamaged = MakeError(ErrorCode::PrivateKeyMalformed);
const Error kUnsupported = MakeError(ErrorCode::KeyProtectionUnsupported);

const Bytes& KeyInfo() {
    return test::Alice().privateBlob;
}

Bytes Element(std::uint8_t tag, std::initializer_list<Bytes> parts) {
    Bytes content, out;
    for (const Bytes& part : parts) {
        content.insert(content.end(), part.begin(), part.end());
    }
    der::AppendElement(out, tag, content);
    return out;
}
Bytes Integer(std::uint64_t value) {
    Bytes digits;
    for (; value != 0 || digits.empty() || (digits.front() & 0x80) != 0; value >>= 8) {
        digits.insert(digits.begin(), static_cast<std::uint8_t>(value));
    }
    return Element(0x02, {digits});
}
Bytes Octets(std::size_t size) {
    return Element(0x04, {Bytes(size, 0x5A)});
}

// An EncryptedPrivateKeyInfo as RFC 8018 and RFC 7914 lay it out, with
// made-up salt, IV and data: what the reader must check before decrypting.
Bytes Built(const ScryptParameters& s, std::size_t ivBytes = 16, std::size_t dataBytes = 32,
            std::uint64_t keyLength = 0) {
    const Bytes pbes2{0x06, 0x09, 0x2A, 0x86, 0x48, 0x86, 0xF7, 0x0D, 0x01, 0x05, 0x0D};
    const Bytes scrypt{0x06, 0x09, 0x2B, 0x06, 0x01, 0x04, 0x01, 0xDA, 0x47, 0x04, 0x0B};
    const Bytes aes256Cbc{0x06, 0x09, 0x60, 0x86, 0x48, 0x01, 0x65, 0x03, 0x04, 0x01, 0x2A};
    const Bytes parameters = Element(0x30, {Octets(16), Integer(s.n), Integer(s.r), Integer(s.p),
                                            keyLength != 0 ? Integer(keyLength) : Bytes{}});
    const Bytes kdf = Element(0x30, {scrypt, parameters});
    const Bytes cipher = Element(0x30, {aes256Cbc, Octets(ivBytes)});
    return Element(0x30, {Element(0x30, {pbes2, Element(0x30, {kdf, cipher})}), Octets(dataBytes)});
}

TEST(ProtectedKeyTest, ReadsBackWithThePassphraseOnly) {
    const auto file = Protect(KeyInfo(), kPassphrase, kCheap);
    ASSERT_TRUE(file.has_value());
    EXPECT_TRUE(IsProtected(*file));
    EXPECT_FALSE(IsProtected(KeyInfo()));
    // The layout above with a 16-byte salt and IV (OpenSSL's default salt
    // has 8) and the key padded to whole blocks.
    EXPECT_EQ(file->size(), Built(kCheap, 16, KeyInfo().size() / 16 * 16 + 16).size());
    EXPECT_NE(*Protect(KeyInfo(), kPassphrase, kCheap), *file);
    const auto key = Unprotect(*file, kPassphrase, CapFor(kCheap));
    ASSERT_TRUE(key.has_value()) << key.error().number;
    EXPECT_TRUE(std::ranges::equal(*key, KeyInfo()));
    // Without a tag, a wrong passphrase shows as bad padding or, one time in
    // some hundred, as good padding around bytes that are no key.
    for (std::uint8_t c = 0; c < 40; ++c) {
        EXPECT_EQ(Unprotect(*file, SecureBytes(c % 4, c), CapFor(kCheap)).error(), kWrong);
    }
    EXPECT_EQ(Protect(Bytes{0x30, 0x00}, kPassphrase, kCheap).error(), kDamaged);
}

// Above the cap, a file is refused before scrypt runs: quickly, even where
// running it would take minutes. Within, scrypt runs on made-up data, and
// the passphrase does not fit.
TEST(ProtectedKeyTest, ChecksTheFileAndTheCapBeforeAnyWork) {
    constexpr std::uint64_t k14 = std::uint64_t{1} << 14, kP = kProductionScrypt.p;
    const Bytes file = Built(kCheap);
    const struct {
        const char* name;
        Bytes file;
        UnlockCap cap;
        Error expected;
    } cases[] = {
        {"four times the work", Built({1024, 8, 4}), CapFor(kCheap), kWrong},
        {"more in p", Built({1024, 8, 5}), CapFor(kCheap), kCostly},
        {"four times in n", Built({4096, 8, 1}), CapFor(kCheap), kWrong},
        {"more in n", Built({8192, 8, 1}), CapFor(kCheap), kCostly},
        {"production p", Built({k14, 8, 4 * kP + 1}), kProductionUnlockCap, kCostly},
        {"huge p", Built({k14, 8, 1ULL << 62}), kProductionUnlockCap, kCostly},
        {"huge n and r", Built({1ULL << 62, 1ULL << 62, 1}), kProductionUnlockCap, kCostly},
        {"32 MiB by n", Built({2 * k14, 8, 1}), kProductionUnlockCap, kCostly},
        {"32 MiB by r", Built({k14, 16, 1}), kProductionUnlockCap, kCostly},
        {"n not a power of two", Built({1000, 8, 1}), CapFor(kCheap), kDamaged},
        {"AES-128 key length", Built(kCheap, 16, 32, 16), CapFor(kCheap), kDamaged},
        {"AES-256 key length", Built(kCheap, 16, 32, 32), CapFor(kCheap), kWrong},
        {"short IV", Built(kCheap, 8), CapFor(kCheap), kDamaged},
        {"data not whole blocks", Built(kCheap, 16, 31), CapFor(kCheap), kDamaged},
        {"cut short", Bytes(file.begin(), file.end() - 1), CapFor(kCheap), kDamaged},
        {"empty", {}, CapFor(kCheap), kDamaged},
    };
    for (const auto& c : cases) {
        const auto start = std::chrono::steady_clock::now();
        const auto result = Unprotect(c.file, kPassphrase, c.cap);
        EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(300));
        ASSERT_FALSE(result.has_value()) << c.name;
        EXPECT_EQ(result.error(), c.expected) << c.name << " " << std::hex << result.error().number;
    }
}

// Both ways against the openssl command, the reader every user has, on the
// key file's hex lines: xxd -r -p alice.skey | openssl pkey -inform DER ...
class OpenSslTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (std::system("openssl version >/dev/null && xxd -v >/dev/null 2>&1") != 0) {
            GTEST_SKIP() << "no openssl or xxd command";
        }
    }
    // What `command` writes for the key file of `in`; nothing if it fails.
    Bytes Through(const std::string& command, std::span<const std::uint8_t> in) const {
        const QString path = dir_.filePath("in.skey");
        test::WriteKeyFile(path, Bytes(in.begin(), in.end()));
        const std::string out = dir_.filePath("out.hex").toStdString();
        const std::string line = "xxd -r -p '" + path.toStdString() + "' | " + command +
                                 " 2>/dev/null | xxd -p > '" + out + "'";
        if (std::system(line.c_str()) != 0) {
            return {};
        }
        const auto read = ReadKeyFile(out, KeyFileKind::Public);
        return read && *read ? Bytes((*read)->begin(), (*read)->end()) : Bytes();
    }
    QTemporaryDir dir_;
};

TEST_F(OpenSslTest, ReadsWhatZelvoraProtectsWithThePassphraseOnly) {
    const auto ours = Protect(KeyInfo(), kPassphrase, kCheap);
    for (const auto& [passin, reads] :
         {std::pair{"'pass:test pass'", true}, {"pass:", false}, {"'pass:test pas'", false}}) {
        const Bytes out =
            Through(std::string("openssl pkey -inform DER -outform DER -passin ") + passin, *ours);
        // OpenSSL 3.0 writes the RSAPrivateKey alone, which ends the PrivateKeyInfo.
        EXPECT_EQ(out.size() > 1000 && std::equal(out.rbegin(), out.rend(), KeyInfo().rbegin()),
                  reads)
            << passin;
    }
}

TEST_F(OpenSslTest, ReadsWhatOpenSslProtectsInTheOneFormOnly) {
    for (const auto& [options, refused] :
         {std::pair<const char*, std::optional<Error>>{
              "-v2 aes-256-cbc -scrypt -scrypt_N 16384 -scrypt_r 8 -scrypt_p 1", std::nullopt},
          {"-v2 aes-256-cbc", kUnsupported},  // PBKDF2
          {"-v2 aes-128-cbc -scrypt -scrypt_N 1024 -scrypt_r 8 -scrypt_p 1", kUnsupported},
          {"-v1 PBE-SHA1-3DES", kUnsupported}}) {
        const Bytes theirs = Through(std::string("openssl pkcs8 -topk8 -inform DER -outform DER "
                                                 "-passout 'pass:test pass' ") +
                                         options,
                                     KeyInfo());
        EXPECT_TRUE(IsProtected(theirs)) << options;
        const auto key = Unprotect(theirs, kPassphrase);
        ASSERT_EQ(key.has_value(), !refused) << options;
        if (refused) {
            EXPECT_EQ(key.error(), *refused) << options;
            continue;
        }
        EXPECT_TRUE(std::ranges::equal(*key, KeyInfo()));
        EXPECT_EQ(Unprotect(theirs, SecureBytes{'t'}).error(), kWrong);
    }
}

}  // namespace
}  // namespace zelvora
