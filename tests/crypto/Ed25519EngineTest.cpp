// Ed25519 keys through the engine, mixed with RSA keys: who reads a
// message, what a version 2 reading says of an Ed25519 key, which keys are
// refused as recipients, and the short message's length. The format's own
// rules are held by the known-answer vectors (VectorsTest).

#include "base/ErrorCode.h"
#include "base/HexText.h"
#include "crypto/EncryptionEngine.h"
#include "crypto/FormatV2.h"
#include "crypto/KeyRoles.h"
#include "crypto/RsaMethod.h"
#include "keys/Ed25519Key.h"
#include "keys/RsaKey.h"
#include "tests/keys/Curve25519MapRows.h"
#include "tests/support/CryptoTestKeys.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <optional>
#include <string>
#include <tuple>

namespace zelvora {
namespace {

using test::CryptoTestKeys;
using test::EncodedKey;

std::unique_ptr<EncryptionEngine> Engine(const EncodedKey* own, const Bytes* publicBlob) {
    auto engine = std::move(*EncryptionEngine::Create());
    auto method = std::move(*RsaMethod::Create());
    EXPECT_TRUE(method->SetPrivateKeyBlob(own ? RsaMethod::Blob(own->privateInfo) : std::nullopt));
    EXPECT_TRUE(method->SetPublicKeyBlob(publicBlob ? RsaMethod::Blob(*publicBlob) : std::nullopt));
    EXPECT_TRUE(engine->AttachMethod(std::move(method)));
    return engine;
}

const Bytes kText{'O', 'K'};

// A signed message with the writer's copy, between keys of either kind:
// the stanzas come in the order recipient, writer (one when the key is
// named twice), and it opens verified for both and for no one else.
TEST(Ed25519EngineTest, SignedMessagesBetweenKindsOpenForBothOnly) {
    const EncodedKey& ed = CryptoTestKeys::Ed25519();
    const EncodedKey& otherEd = CryptoTestKeys::OtherEd25519();
    const EncodedKey& rsa = CryptoTestKeys::Rsa(2048);
    const EncodedKey& stranger = CryptoTestKeys::OtherRsa2048();
    // (writer, recipient, stanza types in order)
    const std::tuple<const EncodedKey*, const EncodedKey*, Bytes> rows[] = {
        {&otherEd, &ed, {2, 2}}, {&ed, &rsa, {1, 2}}, {&rsa, &ed, {2, 1}}, {&ed, &ed, {2}}};
    for (const auto& [writer, to, types] : rows) {
        const auto sealed = Engine(writer, &to->publicInfo)->EncryptBytes(kText, true);
        ASSERT_TRUE(sealed) << sealed.error().number;
        Bytes found;
        for (std::size_t at = 2, i = 0; i < sealed->at(1); ++i) {
            found.push_back(sealed->at(at));
            at += 3 + ((std::size_t{sealed->at(at + 1)} << 8) | sealed->at(at + 2));
        }
        EXPECT_EQ(found, types);
        for (const EncodedKey* reader : {to, writer, &stranger, &otherEd}) {
            const auto read = Engine(reader, &writer->publicInfo)->DecryptMessage(*sealed, true);
            if (reader != to && reader != writer) {
                ASSERT_FALSE(read);
                EXPECT_EQ(read.error(), MakeError(ErrorCode::NotForThisKey));
                continue;
            }
            ASSERT_TRUE(read) << read.error().number;
            EXPECT_TRUE(std::ranges::equal(read->text, kText));
            EXPECT_EQ(read->signature, SignatureState::Verified);
        }
    }
}

// Versions 1 and 2 were written for RSA keys only: an Ed25519 key cannot
// open one, and cannot have signed one, which is another signer, not
// "no key named".
TEST(Ed25519EngineTest, Version2AndEd25519Keys) {
    const EncodedKey& rsa = CryptoTestKeys::Rsa(2048);
    const EncodedKey& ed = CryptoTestKeys::Ed25519();
    const auto signer = RsaKey::FromPrivateKeyBlob(CryptoTestKeys::OtherRsa2048().privateInfo);
    const Bytes sealed = *FormatV2::Instance().Encrypt(**RsaKey::FromPublicKeyBlob(rsa.publicInfo),
                                                       signer->get(), kText);
    const auto named = Engine(&rsa, &ed.publicInfo)->DecryptMessage(sealed, true);
    ASSERT_TRUE(named) << named.error().number;
    EXPECT_EQ(named->signature, SignatureState::OtherSigner);
    const auto opened = Engine(&ed, nullptr)->DecryptMessage(sealed, true);
    ASSERT_FALSE(opened);
    EXPECT_EQ(opened.error(), MakeError(ErrorCode::NotForThisKey));
}

// Public keys whose X25519 form anyone could read messages to: read as
// keys, since only a recipient needs that form, but nothing is written.
TEST(Ed25519EngineTest, RefusesRecipientsWithoutASafeX25519Form) {
    const char* const keys[] = {
        "0100000000000000000000000000000000000000000000000000000000000000",  // neutral
        "ecffffffffffffffffffffffffffffffffffffffffffffffffffffffffffff7f",  // order 2
        "c7176a703d4dd84fba3c0b760d10670f2a2053fa2c39ccc64ec7fd7792ac037a",  // order 8
        "d4d132abde4c5ca8a09d838f94769b05dee7f884e8c56ade9c9e3aed733367ad",  // mixed order
        "edffffffffffffffffffffffffffffffffffffffffffffffffffffffffffff7f",  // y = p
    };
    for (const std::string hex : keys) {
        // SubjectPublicKeyInfo (RFC 8410) around the 32 bytes.
        Bytes spki{0x30, 0x2A, 0x30, 0x05, 0x06, 0x03, 0x2B, 0x65, 0x70, 0x03, 0x21, 0x00};
        for (std::size_t i = 0; i < hex.size(); i += 2) {
            spki.push_back(static_cast<std::uint8_t>(std::stoul(hex.substr(i, 2), nullptr, 16)));
        }
        const auto sealed = Engine(nullptr, &spki)->EncryptBytes(kText, true);
        ASSERT_FALSE(sealed) << hex;
        EXPECT_EQ(sealed.error(), MakeError(ErrorCode::PublicKeyMalformed)) << hex;
    }
}

// The length target: a signed two-letter message with the writer's copy,
// 2 + 2 * (3 + 72) + 32 + 16 + (33 + 2 + 64) + 16 bytes with Ed25519 keys,
// at most a quarter of the same between two RSA-3072 keys.
TEST(Ed25519EngineTest, ShortMessageIsAQuarterOfTheRsaOne) {
    const EncodedKey& rsa = CryptoTestKeys::Rsa(3072);
    const auto ed25519 =
        Engine(&CryptoTestKeys::OtherEd25519(), &CryptoTestKeys::Ed25519().publicInfo)
            ->EncryptBytes(kText, true);
    // Named twice, the RSA key gets one stanza; a second one adds 3 + 384.
    const auto rsa3072 = Engine(&rsa, &rsa.publicInfo)->EncryptBytes(kText, true);
    ASSERT_TRUE(ed25519 && rsa3072);
    EXPECT_EQ(ed25519->size(), 315u);
    EXPECT_LE(4 * ed25519->size(), rsa3072->size() + 3 + 384);
}

// The expected writer's key is held to the recipient's checks: every public
// key the map refuses (small order, a part of small order, no point, a
// second encoding) is refused as a sender key, every other one taken.
TEST(Ed25519EngineTest, SenderKeyRefusesWhatTheMapRefuses) {
    const Bytes spkiHeader = HexToBytes("302A300506032B6570032100");
    for (const test::MapRow& row : test::kMapRows) {
        if (row.kind != 'P') {
            continue;
        }
        SCOPED_TRACE(std::string(row.note) + ": " + row.input);
        Bytes blob = spkiHeader;
        const Bytes point = HexToBytes(row.input);
        blob.insert(blob.end(), point.begin(), point.end());
        const auto key = Ed25519Key::FromPublicKeyBlob(blob);
        ASSERT_TRUE(key);
        const auto sender = MakeSenderKey(**key);
        if (*row.expected == '\0') {
            EXPECT_EQ(sender.error(), MakeError(ErrorCode::PublicKeyMalformed));
        } else {
            EXPECT_TRUE(sender);
        }
    }
}

}  // namespace
}  // namespace zelvora
