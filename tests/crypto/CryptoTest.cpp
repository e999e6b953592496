#include "base/ErrorCode.h"
#include "crypto/EncryptionEngine.h"
#include "crypto/FormatV1.h"
#include "crypto/RsaMethod.h"
#include "keys/RsaKey.h"
#include "tests/support/CryptoTestKeys.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <cstddef>
#include <functional>
#include <ostream>
#include <random>
#include <set>
#include <string>
#include <tuple>

namespace zelvora {
namespace {

using test::CryptoTestKeys;
using test::EncodedKey;

constexpr std::size_t kNonceBytes = 12;
constexpr std::size_t kTagBytes = 16;
constexpr std::size_t kMacBytes = 32;
constexpr std::size_t kSaltBytes = 16;

// Arbitrary but repeatable message bytes.
Bytes Message(std::size_t size) {
    std::mt19937 generator(static_cast<unsigned>(size));
    Bytes bytes(size);
    for (auto& byte : bytes) {
        byte = static_cast<std::uint8_t>(generator());
    }
    return bytes;
}

// An engine whose method holds the two blobs. The caller's reference to the
// method is dropped before returning, as the program does, so every test
// also shows that the engine keeps the method alive.
std::unique_ptr<EncryptionEngine> MakeEngine(RsaMethod::Blob privateBlob,
                                             RsaMethod::Blob publicBlob) {
    auto engine = EncryptionEngine::Create();
    auto method = RsaMethod::Create();
    if (!engine || !method) {
        ADD_FAILURE() << "creating the engine or the method failed";
        return nullptr;
    }
    EXPECT_TRUE((*method)->SetPrivateKeyBlob(privateBlob));
    EXPECT_TRUE((*method)->SetPublicKeyBlob(publicBlob));
    EXPECT_TRUE((*engine)->AttachMethod(std::move(*method)));
    return std::move(*engine);
}

std::unique_ptr<EncryptionEngine> MakeEngine(const EncodedKey& key) {
    return MakeEngine(std::span<const std::uint8_t>(key.privateInfo),
                      std::span<const std::uint8_t>(key.publicInfo));
}

// With no private key there is nothing to sign with, and no writer's copy.
std::unique_ptr<EncryptionEngine> UnsignedEngine(const EncodedKey& key) {
    return MakeEngine(std::nullopt, std::span<const std::uint8_t>(key.publicInfo));
}

// A version 1 ciphertext, made by the format itself now that the engine
// writes version 3: the reader of version 1 must go on reading them.
Bytes Encrypt(const EncodedKey& key, const Bytes& message) {
    auto ciphertext = FormatV1::Instance().Encrypt(**RsaKey::FromPublicKeyBlob(key.publicInfo),
                                                   nullptr, message);
    EXPECT_TRUE(ciphertext) << ciphertext.error().number;
    return ciphertext ? *ciphertext : Bytes{};
}

// --- Round trips -----------------------------------------------------------

class RoundTripTest : public ::testing::TestWithParam<std::tuple<int, std::size_t>> {};

// The engine writes version 3: unsigned with no private key, to one
// recipient, so the preamble is one byte.
TEST_P(RoundTripTest, DecryptsToTheMessageWithTheDocumentedLength) {
    const auto [bits, size] = GetParam();
    const EncodedKey& key = CryptoTestKeys::Rsa(bits);
    const Bytes message = Message(size);
    auto engine = UnsignedEngine(key);

    const auto first = engine->EncryptBytes(message, true);
    ASSERT_TRUE(first) << first.error().number;
    const std::size_t k = static_cast<std::size_t>(bits) / 8;
    const std::size_t plaintext = 1 + size;
    const std::size_t header = 2 + 3 + k + kMacBytes;
    ASSERT_EQ(first->size(),
              header + kSaltBytes + plaintext + kTagBytes * ((plaintext + 65535) / 65536));
    EXPECT_EQ((*first)[0], 3);
    EXPECT_EQ((*first)[1], 1);

    const auto opened = MakeEngine(key)->DecryptBytes(*first, true);
    ASSERT_TRUE(opened) << opened.error().number;
    EXPECT_TRUE(std::ranges::equal(*opened, message));

    // Fresh message key and salt every time: the same message never looks
    // the same.
    const auto second = engine->EncryptBytes(message, true);
    ASSERT_TRUE(second);
    EXPECT_FALSE(std::equal(first->begin() + 5, first->begin() + 5 + k, second->begin() + 5));
    EXPECT_FALSE(std::equal(first->begin() + header, first->begin() + header + kSaltBytes,
                            second->begin() + header));
}

INSTANTIATE_TEST_SUITE_P(KeySizesAndLengths, RoundTripTest,
                         ::testing::Combine(::testing::Values(2048, 3072, 4096),
                                            ::testing::Values(std::size_t{0}, std::size_t{1},
                                                              std::size_t{16}, std::size_t{1000},
                                                              std::size_t{1} << 20)));

// --- Damaged and foreign ciphertext ----------------------------------------

// Layout of a version 1 ciphertext of a 100-byte message under a 2048-bit key.
constexpr std::size_t kK = 256;
constexpr std::size_t kNonceAt = 1 + kK;
constexpr std::size_t kBodyAt = kNonceAt + kNonceBytes;
constexpr std::size_t kTagAt = kBodyAt + 100;
constexpr std::size_t kTotal = kTagAt + kTagBytes;
constexpr std::size_t kMinimum = kTotal - 100;
constexpr std::size_t kNoFlip = SIZE_MAX;

struct DamageCase {
    const char* name;
    std::size_t length;  // cut to this length, or padded with zero bytes
    std::size_t flip;    // then this byte has its lowest bit flipped
    ErrorCode expected;
};

// Names the row in failure messages instead of dumping its bytes.
void PrintTo(const DamageCase& row, std::ostream* out) {
    *out << row.name;
}

class DamageTest : public ::testing::TestWithParam<DamageCase> {};

TEST_P(DamageTest, IsRefusedWithTheRightError) {
    const DamageCase& c = GetParam();
    const EncodedKey& key = CryptoTestKeys::Rsa(2048);
    Bytes ciphertext = Encrypt(key, Message(100));
    ASSERT_EQ(ciphertext.size(), kTotal);
    ciphertext.resize(c.length, 0);
    if (c.flip != kNoFlip) {
        ciphertext.at(c.flip) ^= 0x01;
    }
    const auto result = MakeEngine(key)->DecryptBytes(ciphertext, true);
    ASSERT_FALSE(result);
    EXPECT_EQ(result.error(), MakeError(c.expected));
}

using enum ErrorCode;

INSTANTIATE_TEST_SUITE_P(
    RegionsAndLengths, DamageTest,
    ::testing::Values(DamageCase{"Version", kTotal, 0, CiphertextVersion},
                      DamageCase{"WrappedKeyFirstByte", kTotal, 1, NotForThisKey},
                      DamageCase{"WrappedKeyLastByte", kTotal, kK, NotForThisKey},
                      DamageCase{"Nonce", kTotal, kNonceAt + 5, NotForThisKey},
                      DamageCase{"BodyFirstByte", kTotal, kBodyAt, NotForThisKey},
                      DamageCase{"BodyLastByte", kTotal, kTagAt - 1, NotForThisKey},
                      DamageCase{"TagFirstByte", kTotal, kTagAt, NotForThisKey},
                      DamageCase{"TagLastByte", kTotal, kTotal - 1, NotForThisKey},
                      DamageCase{"Empty", 0, kNoFlip, CiphertextEmpty},
                      DamageCase{"VersionByteOnly", 1, kNoFlip, CiphertextTooShort},
                      DamageCase{"OneBelowMinimum", kMinimum - 1, kNoFlip, CiphertextTooShort},
                      // Long enough to read, but the tag is now taken from the body.
                      DamageCase{"CutToMinimum", kMinimum, kNoFlip, NotForThisKey},
                      DamageCase{"LastByteMissing", kTotal - 1, kNoFlip, NotForThisKey},
                      DamageCase{"ByteAppended", kTotal + 1, kNoFlip, NotForThisKey},
                      // The version is looked at before the length.
                      DamageCase{"ShortWithOtherVersion", 1, 0, CiphertextVersion}),
    [](const auto& info) { return std::string(info.param.name); });

const EncodedKey& Rsa2048() {
    return CryptoTestKeys::Rsa(2048);
}
const EncodedKey& Rsa3072() {
    return CryptoTestKeys::Rsa(3072);
}
const EncodedKey& Rsa4096() {
    return CryptoTestKeys::Rsa(4096);
}

struct ForeignKeyCase {
    const char* name;
    const EncodedKey& (*sender)();
    const EncodedKey& (*receiver)();
    ErrorCode expected;
};

// Names the row in failure messages instead of dumping its bytes.
void PrintTo(const ForeignKeyCase& row, std::ostream* out) {
    *out << row.name;
}

class ForeignKeyTest : public ::testing::TestWithParam<ForeignKeyCase> {};

TEST_P(ForeignKeyTest, IsRefused) {
    const Bytes ciphertext = Encrypt(GetParam().sender(), Message(100));
    const auto result = MakeEngine(GetParam().receiver())->DecryptBytes(ciphertext, true);
    ASSERT_FALSE(result);
    EXPECT_EQ(result.error(), MakeError(GetParam().expected));
}

INSTANTIATE_TEST_SUITE_P(
    Keys, ForeignKeyTest,
    ::testing::Values(ForeignKeyCase{"SameSize", Rsa2048, CryptoTestKeys::OtherRsa2048,
                                     NotForThisKey},
                      // Long enough for the smaller key, so the RSA step itself fails.
                      ForeignKeyCase{"LargerSender", Rsa3072, Rsa2048, NotForThisKey},
                      ForeignKeyCase{"SmallerSender", Rsa2048, Rsa4096, CiphertextTooShort}),
    [](const auto& info) { return std::string(info.param.name); });

// --- Calls the engine cannot serve -----------------------------------------

struct MisuseCase {
    const char* name;
    std::function<std::unique_ptr<EncryptionEngine>()> engine;
    bool encrypt;
    bool last;
    ErrorCode expected;
};

// Names the row in failure messages instead of dumping its bytes.
void PrintTo(const MisuseCase& row, std::ostream* out) {
    *out << row.name;
}

class MisuseTest : public ::testing::TestWithParam<MisuseCase> {};

TEST_P(MisuseTest, IsRefusedWithItsOwnError) {
    const MisuseCase& c = GetParam();
    auto engine = c.engine();
    ASSERT_TRUE(engine);
    // A well-formed ciphertext, so only the missing piece can be the cause.
    const Bytes input = c.encrypt ? Message(10) : Encrypt(CryptoTestKeys::Rsa(2048), Message(10));
    const auto error = c.encrypt ? engine->EncryptBytes(input, c.last).error()
                                 : engine->DecryptBytes(input, c.last).error();
    EXPECT_EQ(error, MakeError(c.expected));
}

std::unique_ptr<EncryptionEngine> BothKeys() {
    return MakeEngine(Rsa2048());
}
std::unique_ptr<EncryptionEngine> NoMethod() {
    return std::move(*EncryptionEngine::Create());
}
std::unique_ptr<EncryptionEngine> NullMethodAttached() {
    // A refused attach also drops the method attached before.
    auto engine = BothKeys();
    const auto attached = engine->AttachMethod(nullptr);
    EXPECT_EQ(attached.error(), MakeError(ErrorCode::NoMethodGiven));
    return engine;
}
std::unique_ptr<EncryptionEngine> PrivateKeyOnly() {
    return MakeEngine(std::span<const std::uint8_t>(CryptoTestKeys::Rsa(2048).privateInfo),
                      std::nullopt);
}
std::unique_ptr<EncryptionEngine> PublicKeyOnly() {
    return MakeEngine(std::nullopt,
                      std::span<const std::uint8_t>(CryptoTestKeys::Rsa(2048).publicInfo));
}
std::unique_ptr<EncryptionEngine> NoKeys() {
    return MakeEngine(std::nullopt, std::nullopt);
}

INSTANTIATE_TEST_SUITE_P(
    Calls, MisuseTest,
    ::testing::Values(
        MisuseCase{"EncryptNotLast", BothKeys, true, false, NotLastBlock},
        MisuseCase{"DecryptNotLast", BothKeys, false, false, NotLastBlock},
        MisuseCase{"EncryptNoMethod", NoMethod, true, true, NoMethodForEncrypt},
        MisuseCase{"DecryptNoMethod", NoMethod, false, true, NoMethodForDecrypt},
        MisuseCase{"EncryptAfterNullMethod", NullMethodAttached, true, true, NoMethodForEncrypt},
        MisuseCase{"DecryptAfterNullMethod", NullMethodAttached, false, true, NoMethodForDecrypt},
        MisuseCase{"EncryptWithoutPublicKey", PrivateKeyOnly, true, true, NoPublicKey},
        MisuseCase{"DecryptWithoutPrivateKey", PublicKeyOnly, false, true, NoPrivateKey},
        MisuseCase{"EncryptWithoutKeys", NoKeys, true, true, NoPublicKey},
        MisuseCase{"DecryptWithoutKeys", NoKeys, false, true, NoPrivateKey}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace zelvora
