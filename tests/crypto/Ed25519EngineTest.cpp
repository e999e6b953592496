// Ed25519 keys through the engine, alone and mixed with RSA keys: who can
// read a message, what its signature says, which keys are refused, and how
// long a short message is. The format's rules themselves are held by the
// known-answer vectors (VectorsTest) and FormatV3Test.

#include "base/ErrorCode.h"
#include "crypto/EncryptionEngine.h"
#include "crypto/FormatV2.h"
#include "crypto/RsaMethod.h"
#include "keys/AnyKey.h"
#include "keys/Fingerprint.h"
#include "keys/RsaKey.h"
#include "tests/support/CryptoTestKeys.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace zelvora {
namespace {

using test::CryptoTestKeys;
using test::EncodedKey;

const EncodedKey& Ed() {
    return CryptoTestKeys::Ed25519();
}
const EncodedKey& OtherEd() {
    return CryptoTestKeys::OtherEd25519();
}
const EncodedKey& Rsa() {
    return CryptoTestKeys::Rsa(2048);
}

std::unique_ptr<EncryptionEngine> Engine(const EncodedKey* own, const Bytes* publicBlob) {
    auto engine = std::move(*EncryptionEngine::Create());
    auto method = std::move(*RsaMethod::Create());
    EXPECT_TRUE(method->SetPrivateKeyBlob(own ? RsaMethod::Blob(own->privateInfo) : std::nullopt));
    EXPECT_TRUE(method->SetPublicKeyBlob(publicBlob ? RsaMethod::Blob(*publicBlob) : std::nullopt));
    EXPECT_TRUE(engine->AttachMethod(std::move(method)));
    return engine;
}
std::unique_ptr<EncryptionEngine> Engine(const EncodedKey* own, const EncodedKey* other) {
    return Engine(own, other ? &other->publicInfo : nullptr);
}

Fingerprint PrintOf(const EncodedKey& key) {
    return *KeyFingerprint(*AnyKey::FromPublicKeyBlob(key.publicInfo));
}

const Bytes kText{'S', 'e', 'e', ' ', 'y', 'o', 'u', ' ', 'a', 't', ' ', 'n', 'o', 'o', 'n'};

// The stanza types of a version 3 header, in order.
std::vector<std::uint8_t> StanzaTypes(const Bytes& ciphertext) {
    std::vector<std::uint8_t> types;
    std::size_t at = 2;
    for (std::size_t i = 0; i < ciphertext.at(1); ++i) {
        types.push_back(ciphertext.at(at));
        at += 3 + ((std::size_t{ciphertext.at(at + 1)} << 8) | ciphertext.at(at + 2));
    }
    return types;
}

struct PairCase {
    const char* name;
    const EncodedKey& (*writer)();
    const EncodedKey& (*recipient)();
    std::vector<std::uint8_t> stanzas;  // writer's copy last, when it differs
};

void PrintTo(const PairCase& row, std::ostream* out) {
    *out << row.name;
}

class KindPairTest : public ::testing::TestWithParam<PairCase> {};

// A signed message with the writer's copy opens, verified, for both, and
// for no one else, whatever kind each key is.
TEST_P(KindPairTest, SignedMessageOpensVerifiedForBoth) {
    const PairCase& c = GetParam();
    const EncodedKey& writer = c.writer();
    const EncodedKey& recipient = c.recipient();
    const auto sealed = Engine(&writer, &recipient)->EncryptBytes(kText, true);
    ASSERT_TRUE(sealed) << sealed.error().number;
    EXPECT_EQ(StanzaTypes(*sealed), c.stanzas);
    for (const EncodedKey* reader : {&recipient, &writer}) {
        const auto read = Engine(reader, &writer)->DecryptMessage(*sealed, true);
        ASSERT_TRUE(read) << read.error().number;
        EXPECT_TRUE(std::ranges::equal(read->text, kText));
        EXPECT_EQ(read->signature, SignatureState::Verified);
        EXPECT_EQ(read->signer, PrintOf(writer));
    }
    // A reader of either kind who is neither.
    for (const EncodedKey* stranger : {&CryptoTestKeys::OtherRsa2048(), &OtherEd()}) {
        if (stranger == &writer || stranger == &recipient) {
            continue;
        }
        const auto read = Engine(stranger, &writer)->DecryptMessage(*sealed, true);
        ASSERT_FALSE(read);
        EXPECT_EQ(read.error(), MakeError(ErrorCode::NotForThisKey));
    }
}

constexpr std::uint8_t kRsa = 0x01;
constexpr std::uint8_t kX25519 = 0x02;

INSTANTIATE_TEST_SUITE_P(
    Kinds, KindPairTest,
    ::testing::Values(PairCase{"Ed25519ToEd25519", OtherEd, Ed, {kX25519, kX25519}},
                      PairCase{"Ed25519ToRsa", Ed, Rsa, {kRsa, kX25519}},
                      PairCase{"RsaToEd25519", Rsa, Ed, {kX25519, kRsa}},
                      // A key named in both boxes is wrapped once.
                      PairCase{"Ed25519ToSelf", Ed, Ed, {kX25519}}),
    [](const auto& info) { return std::string(info.param.name); });

struct StateCase {
    const char* name;
    std::function<Bytes()> ciphertext;
    const EncodedKey& (*reader)();
    const EncodedKey* named;                 // the key in the reader's public key box
    std::optional<SignatureState> expected;  // none: refused as not for this key
};

void PrintTo(const StateCase& row, std::ostream* out) {
    *out << row.name;
}

Bytes WrittenBy(const EncodedKey* writer, const EncodedKey& to) {
    return *Engine(writer, &to)->EncryptBytes(kText, true);
}
Bytes Version2ByRsa() {
    const auto to = RsaKey::FromPublicKeyBlob(Rsa().publicInfo);
    const auto by = RsaKey::FromPrivateKeyBlob(CryptoTestKeys::OtherRsa2048().privateInfo);
    return *FormatV2::Instance().Encrypt(**to, by->get(), kText);
}

class CrossKindStateTest : public ::testing::TestWithParam<StateCase> {};

TEST_P(CrossKindStateTest, SaysWhatTheSignatureSays) {
    const StateCase& c = GetParam();
    const auto read = Engine(&c.reader(), c.named)->DecryptMessage(c.ciphertext(), true);
    if (!c.expected) {
        ASSERT_FALSE(read);
        EXPECT_EQ(read.error(), MakeError(ErrorCode::NotForThisKey));
        return;
    }
    ASSERT_TRUE(read) << read.error().number;
    EXPECT_TRUE(std::ranges::equal(read->text, kText));
    EXPECT_EQ(read->signature, *c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    States, CrossKindStateTest,
    ::testing::Values(
        StateCase{"Ed25519SignedRsaNamed", [] { return WrittenBy(&Ed(), Rsa()); }, Rsa,
                  &CryptoTestKeys::OtherRsa2048(), SignatureState::OtherSigner},
        StateCase{"RsaSignedEd25519Named", [] { return WrittenBy(&Rsa(), Ed()); }, Ed, &OtherEd(),
                  SignatureState::OtherSigner},
        StateCase{"Ed25519SignedOtherEd25519Named", [] { return WrittenBy(&Ed(), Rsa()); }, Rsa,
                  &OtherEd(), SignatureState::OtherSigner},
        StateCase{"Ed25519SignedNoneNamed", [] { return WrittenBy(&Ed(), Rsa()); }, Rsa, nullptr,
                  SignatureState::NoSenderKey},
        StateCase{"UnsignedToEd25519", [] { return WrittenBy(nullptr, Ed()); }, Ed, &OtherEd(),
                  SignatureState::Unsigned},
        // Versions 1 and 2 were written for RSA keys only.
        StateCase{"Version2Ed25519Named", Version2ByRsa, Rsa, &Ed(), SignatureState::OtherSigner},
        StateCase{"Version2ReadWithEd25519", Version2ByRsa, Ed, nullptr, std::nullopt}),
    [](const auto& info) { return std::string(info.param.name); });

// SubjectPublicKeyInfo (RFC 8410) around 32 bytes of public key.
Bytes Ed25519Spki(const std::string& hex) {
    Bytes spki{0x30, 0x2A, 0x30, 0x05, 0x06, 0x03, 0x2B, 0x65, 0x70, 0x03, 0x21, 0x00};
    for (std::size_t i = 0; i < hex.size(); i += 2) {
        spki.push_back(static_cast<std::uint8_t>(std::stoul(hex.substr(i, 2), nullptr, 16)));
    }
    return spki;
}

// Keys whose X25519 form anyone could read messages to: nothing is
// encrypted to them, and nothing is written.
TEST(Ed25519EngineTest, RefusesRecipientsWithoutASafeX25519Form) {
    const char* const keys[] = {
        "0100000000000000000000000000000000000000000000000000000000000000",  // neutral
        "ecffffffffffffffffffffffffffffffffffffffffffffffffffffffffffff7f",  // order 2
        "c7176a703d4dd84fba3c0b760d10670f2a2053fa2c39ccc64ec7fd7792ac037a",  // order 8
        "d4d132abde4c5ca8a09d838f94769b05dee7f884e8c56ade9c9e3aed733367ad",  // mixed order
        "edffffffffffffffffffffffffffffffffffffffffffffffffffffffffffff7f",  // y = p
    };
    for (const char* hex : keys) {
        SCOPED_TRACE(hex);
        const Bytes blob = Ed25519Spki(hex);
        auto method = std::move(*RsaMethod::Create());
        // Read as a key: only a recipient needs the X25519 form.
        ASSERT_TRUE(method->SetPublicKeyBlob(RsaMethod::Blob(blob)));
        auto engine = std::move(*EncryptionEngine::Create());
        ASSERT_TRUE(engine->AttachMethod(std::move(method)));
        const auto sealed = engine->EncryptBytes(kText, true);
        ASSERT_FALSE(sealed);
        EXPECT_EQ(sealed.error(), MakeError(ErrorCode::PublicKeyMalformed));
    }
}

// The length target: a signed two-letter message with the
// writer's copy, at most a quarter of the RSA-3072 one. The sizes follow
// from the format: 2 + 2 * (3 + 72) + 32 + 16 + (33 + 2 + 64) + 16 bytes.
TEST(Ed25519EngineTest, ShortMessageIsAQuarterOfTheRsaOne) {
    const Bytes twoLetters{'O', 'K'};
    const EncodedKey& rsa = CryptoTestKeys::Rsa(3072);
    const auto ed25519 = Engine(&OtherEd(), &Ed())->EncryptBytes(twoLetters, true);
    const auto rsa3072 = Engine(&rsa, &rsa.publicInfo)->EncryptBytes(twoLetters, true);
    ASSERT_TRUE(ed25519 && rsa3072);
    EXPECT_EQ(ed25519->size(), 315u);
    // Named twice, the RSA key gets one stanza; a second 3072-bit key
    // would add 3 + 384 bytes.
    EXPECT_LE(4 * ed25519->size(), rsa3072->size() + 3 + 384);
}

}  // namespace
}  // namespace zelvora
