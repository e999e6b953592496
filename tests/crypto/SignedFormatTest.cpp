#include "base/ErrorCode.h"
#include "crypto/EncryptionEngine.h"
#include "crypto/FormatV1.h"
#include "crypto/FormatV2.h"
#include "crypto/RsaMethod.h"
#include "crypto/SealedEnvelope.h"
#include "keys/Fingerprint.h"
#include "keys/RsaKey.h"
#include "tests/support/CryptoTestKeys.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <optional>
#include <ostream>
#include <string>

namespace zelvora {
namespace {

using test::CryptoTestKeys;
using test::EncodedKey;

const Bytes kMessage = {'a', 't', 't', 'a', 'c', 'k', ' ', 'a', 't', ' ', 'd', 'a', 'w', 'n'};

std::span<const std::uint8_t> Span(const Bytes& bytes) {
    return bytes;
}

// An engine holding the user's own private key (none when null) and the
// public key of the person on the other end (none when null).
std::unique_ptr<EncryptionEngine> Engine(const EncodedKey* own, const EncodedKey* other) {
    auto engine = std::move(*EncryptionEngine::Create());
    auto method = std::move(*RsaMethod::Create());
    EXPECT_TRUE(
        method->SetPrivateKeyBlob(own ? RsaMethod::Blob(Span(own->privateInfo)) : std::nullopt));
    EXPECT_TRUE(
        method->SetPublicKeyBlob(other ? RsaMethod::Blob(Span(other->publicInfo)) : std::nullopt));
    EXPECT_TRUE(engine->AttachMethod(std::move(method)));
    return engine;
}

Fingerprint PrintOf(const EncodedKey& key) {
    return *KeyFingerprint(**RsaKey::FromPublicKeyBlob(key.publicInfo));
}

// A version 2 ciphertext when signed, else version 1, made by the formats
// themselves now that the engine writes version 3: both go on being read.
Bytes Write(const EncodedKey* signer, const EncodedKey& recipient, const Bytes& message) {
    const auto to = RsaKey::FromPublicKeyBlob(recipient.publicInfo);
    const auto from = signer ? RsaKey::FromPrivateKeyBlob(signer->privateInfo)
                             : std::expected<std::unique_ptr<RsaKey>, Error>(nullptr);
    const CiphertextFormat& format = signer ? static_cast<const CiphertextFormat&>(
                                                  FormatV2::Instance())
                                            : FormatV1::Instance();
    auto ciphertext = format.Encrypt(**to, from->get(), message);
    EXPECT_TRUE(ciphertext);
    return ciphertext ? *ciphertext : Bytes{};
}

// The inner layer a ciphertext carries, and a fresh version 2 ciphertext
// around any inner layer: the only way to reach the inner checks, since the
// tag covers every byte.
SecureBytes InnerOf(const Bytes& ciphertext, const EncodedKey& recipient) {
    return *OpenEnvelope(**RsaKey::FromPrivateKeyBlob(recipient.privateInfo), ciphertext);
}
Bytes Seal(std::span<const std::uint8_t> inner, const EncodedKey& recipient) {
    return *SealEnvelope(2, **RsaKey::FromPublicKeyBlob(recipient.publicInfo), {inner});
}

const EncodedKey& A() {  // the sender
    return CryptoTestKeys::Rsa(2048);
}
const EncodedKey& B() {  // the recipient
    return CryptoTestKeys::OtherRsa2048();
}
const EncodedKey& C() {  // a third person
    return CryptoTestKeys::Rsa(3072);
}
const EncodedKey& Big() {
    return CryptoTestKeys::Rsa(4096);
}

// --- What the reader learns about the writer --------------------------------

struct ReadCase {
    const char* name;
    std::function<Bytes()> ciphertext;
    const EncodedKey& (*reader)();
    const EncodedKey* (*named)();  // the key in the reader's public key box
    SignatureState expected;
    const EncodedKey* (*signer)();  // the fingerprint the result names
};

void PrintTo(const ReadCase& row, std::ostream* out) {
    *out << row.name;
}

class ReadTest : public ::testing::TestWithParam<ReadCase> {};

TEST_P(ReadTest, GivesTheMessageAndItsState) {
    const ReadCase& c = GetParam();
    const Bytes ciphertext = c.ciphertext();
    const auto read = Engine(&c.reader(), c.named())->DecryptMessage(ciphertext, true);
    ASSERT_TRUE(read) << read.error().number;
    EXPECT_TRUE(std::ranges::equal(read->text, kMessage));
    EXPECT_EQ(read->signature, c.expected);
    if (c.signer() == nullptr) {
        EXPECT_FALSE(read->signer);
    } else {
        ASSERT_TRUE(read->signer);
        EXPECT_EQ(*read->signer, PrintOf(*c.signer()));
    }
}

const EncodedKey* None() {
    return nullptr;
}
const EncodedKey* PtrA() {
    return &A();
}
const EncodedKey* PtrB() {
    return &B();
}
const EncodedKey* PtrC() {
    return &C();
}

// B passes A's signed message on to C, signature and all: it was not
// written to C, so it must not check there.
Bytes ForwardedToC() {
    const SecureBytes inner = InnerOf(Write(&A(), B(), kMessage), B());
    return Seal(inner, C());
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ReadTest,
    ::testing::Values(
        ReadCase{"Unsigned", [] { return Write(nullptr, B(), kMessage); }, B, PtrA,
                 SignatureState::Unsigned, None},
        ReadCase{"Verified", [] { return Write(&A(), B(), kMessage); }, B, PtrA,
                 SignatureState::Verified, PtrA},
        ReadCase{"NoKeyNamed", [] { return Write(&A(), B(), kMessage); }, B, None,
                 SignatureState::NoSenderKey, PtrA},
        ReadCase{"OtherKeyNamed", [] { return Write(&A(), B(), kMessage); }, B, PtrC,
                 SignatureState::OtherSigner, PtrA},
        ReadCase{"ForwardedByTheRecipient", ForwardedToC, C, PtrA, SignatureState::BadSignature,
                 PtrA},
        ReadCase{"SmallSignerLargeRecipient", [] { return Write(&A(), Big(), kMessage); }, Big,
                 PtrA, SignatureState::Verified, PtrA},
        ReadCase{"LargeSignerSmallRecipient", [] { return Write(&Big(), A(), kMessage); }, A,
                 [] { return &Big(); }, SignatureState::Verified, [] { return &Big(); }},
        ReadCase{"SignedToSelf", [] { return Write(&B(), B(), kMessage); }, B, PtrB,
                 SignatureState::Verified, PtrB}),
    [](const auto& info) { return std::string(info.param.name); });

// --- A changed inner layer under a good tag ---------------------------------

// Inner layer of A's message to B (2048-bit signer): fingerprint at 0,
// signature length at 32, signature at 34, message at 290.
constexpr std::size_t kLengthAt = 32;
constexpr std::size_t kSignatureAt = 34;
constexpr std::size_t kMessageAt = kSignatureAt + 256;

struct InnerCase {
    const char* name;
    std::size_t flip;                        // this byte's lowest bit is flipped...
    std::size_t cut;                         // ...then the layer is cut to this length
    std::optional<SignatureState> expected;  // none: refused as damaged
};

void PrintTo(const InnerCase& row, std::ostream* out) {
    *out << row.name;
}

class InnerTest : public ::testing::TestWithParam<InnerCase> {};

TEST_P(InnerTest, IsCaught) {
    const InnerCase& c = GetParam();
    SecureBytes inner = InnerOf(Write(&A(), B(), kMessage), B());
    ASSERT_EQ(inner.size(), kMessageAt + kMessage.size());
    inner.at(c.flip) ^= 0x01;
    inner.resize(std::min(inner.size(), c.cut));
    const auto read = Engine(&B(), &A())->DecryptMessage(Seal(inner, B()), true);
    if (!c.expected) {
        ASSERT_FALSE(read);
        // The one error a damaged message gives, and no text.
        EXPECT_EQ(read.error(), MakeError(ErrorCode::NotForThisKey));
    } else {
        ASSERT_TRUE(read) << read.error().number;
        EXPECT_EQ(read->signature, *c.expected);
    }
}

constexpr std::size_t kWhole = SIZE_MAX;

INSTANTIATE_TEST_SUITE_P(
    Fields, InnerTest,
    ::testing::Values(
        InnerCase{"SignerFingerprint", 7, kWhole, SignatureState::OtherSigner},
        // 0x0100 becomes 0x0000, below any key's signature.
        InnerCase{"LengthHighByte", kLengthAt, kWhole, std::nullopt},
        // 257: the fields still fit, but the signature is not the key's length.
        InnerCase{"LengthLowByte", kLengthAt + 1, kWhole, SignatureState::BadSignature},
        InnerCase{"SignatureFirstByte", kSignatureAt, kWhole, SignatureState::BadSignature},
        InnerCase{"SignatureLastByte", kMessageAt - 1, kWhole, SignatureState::BadSignature},
        InnerCase{"Message", kMessageAt + 3, kWhole, SignatureState::BadSignature},
        InnerCase{"CutInsideTheSignature", 0, kMessageAt - 1, std::nullopt},
        InnerCase{"CutInsideTheLength", 0, kLengthAt + 1, std::nullopt},
        InnerCase{"CutToNothing", 0, 0, std::nullopt}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(SignedFormatTest, RefusesALengthBeyondTheLargestKey) {
    SecureBytes inner = InnerOf(Write(&A(), B(), kMessage), B());
    // 2049 bytes, and enough content behind it that only the bound can refuse.
    inner[kLengthAt] = 0x08;
    inner[kLengthAt + 1] = 0x01;
    inner.resize(kSignatureAt + 2049 + 10, 0);
    const auto read = Engine(&B(), &A())->DecryptMessage(Seal(inner, B()), true);
    ASSERT_FALSE(read);
    EXPECT_EQ(read.error(), MakeError(ErrorCode::NotForThisKey));
}

}  // namespace
}  // namespace zelvora
