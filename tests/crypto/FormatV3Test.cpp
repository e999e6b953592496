#include "base/ErrorCode.h"
#include "crypto/EncryptionEngine.h"
#include "crypto/KeyRoles.h"
#include "crypto/RsaMethod.h"
#include "crypto/StreamOpener.h"
#include "crypto/StreamSealer.h"
#include "keys/RsaKey.h"
#include "tests/support/CryptoTestKeys.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <optional>
#include <ostream>
#include <random>
#include <string>
#include <tuple>
#include <vector>

namespace zelvora {
namespace {

using test::CryptoTestKeys;
using test::EncodedKey;

constexpr std::size_t kChunk = 65536;
constexpr std::size_t kSealed = kChunk + 16;

Bytes Message(std::size_t size) {
    std::mt19937 generator(static_cast<unsigned>(size) + 1);
    Bytes bytes(size);
    std::ranges::generate(bytes, [&] { return static_cast<std::uint8_t>(generator()); });
    return bytes;
}

const EncodedKey& A() {  // the writer
    return CryptoTestKeys::Rsa(2048);
}
const EncodedKey& B() {  // the recipient
    return CryptoTestKeys::OtherRsa2048();
}
const EncodedKey& C() {  // a third person
    return CryptoTestKeys::Rsa(3072);
}

std::unique_ptr<RsaKey> Public(const EncodedKey& key) {
    return std::move(*RsaKey::FromPublicKeyBlob(key.publicInfo));
}
std::unique_ptr<RsaKey> Private(const EncodedKey& key) {
    return std::move(*RsaKey::FromPrivateKeyBlob(key.privateInfo));
}
std::unique_ptr<Recipient> RecipientOf(const EncodedKey& key) {
    return std::move(*MakeRecipient(*Public(key)));
}
std::unique_ptr<Identity> IdentityOf(const EncodedKey& key) {
    return std::move(*MakeIdentity(*Private(key)));
}
std::unique_ptr<Signer> SignerOf(const EncodedKey& key) {
    return std::move(*MakeSigner(*Private(key)));
}
std::unique_ptr<SenderKey> SenderOf(const EncodedKey& key) {
    return std::move(*MakeSenderKey(*Public(key)));
}

// Feeds `bytes` to `update` in pieces of `piece` bytes, the last shorter.
template <class Update>
std::expected<void, Error> FeedInPieces(std::span<const std::uint8_t> bytes, std::size_t piece,
                                        Update update) {
    for (std::size_t at = 0; at < bytes.size(); at += piece) {
        if (auto fed = update(bytes.subspan(at, std::min(piece, bytes.size() - at))); !fed) {
            return fed;
        }
    }
    return {};
}

Bytes Seal(std::span<const Recipient* const> recipients, const Signer* signer, const Bytes& message,
           std::size_t piece) {
    Bytes out;
    std::size_t largest = 0;
    auto sealer = StreamSealer::Start(recipients, signer, [&](std::span<const std::uint8_t> b) {
        out.insert(out.end(), b.begin(), b.end());
        largest = std::max(largest, b.size());
        return std::expected<void, Error>();
    });
    EXPECT_TRUE(sealer) << sealer.error().number;
    EXPECT_TRUE(FeedInPieces(message, piece, [&](auto b) { return (*sealer)->Update(b); }));
    EXPECT_TRUE((*sealer)->Finish());
    // Bounded memory: the header, then never more than one sealed chunk.
    EXPECT_LE(largest, std::max<std::size_t>(kSealed, 2 + 64 * (3 + 2048) + 48));
    return out;
}

struct Opened {
    std::expected<DecryptedMessage, Error> result;
    SecureBytes emitted;
};

Opened Open(std::span<const std::uint8_t> ciphertext, const EncodedKey& reader,
            const EncodedKey* sender, std::size_t piece = SIZE_MAX) {
    const auto identity = IdentityOf(reader);
    const auto senderKey = sender ? SenderOf(*sender) : nullptr;
    Opened opened{std::unexpected(Error{}), {}};
    auto opener =
        StreamOpener::Create(*identity, senderKey.get(), [&](std::span<const std::uint8_t> b) {
            EXPECT_LE(b.size(), kChunk);
            opened.emitted.insert(opened.emitted.end(), b.begin(), b.end());
            return std::expected<void, Error>();
        });
    const auto fed = FeedInPieces(ciphertext, piece, [&](auto b) { return (*opener)->Update(b); });
    opened.result = fed ? (*opener)->Finish() : std::unexpected(fed.error());
    return opened;
}

// --- Round trips in pieces of any size ---------------------------------------

class StreamRoundTripTest
    : public ::testing::TestWithParam<std::tuple<std::size_t, std::size_t, bool>> {};

TEST_P(StreamRoundTripTest, GivesBackTheMessageFromAnyPieces) {
    const auto [size, piece, signing] = GetParam();
    const Bytes message = Message(size);
    const auto recipient = RecipientOf(B());
    const auto signer = SignerOf(A());
    const Recipient* const recipients[] = {recipient.get()};
    const Bytes sealed = Seal(recipients, signing ? signer.get() : nullptr, message, piece);

    const std::size_t plaintext = (signing ? 35 + 256 : 1) + size;
    EXPECT_EQ(sealed.size(),
              2 + 3 + 256 + 32 + 16 + plaintext + 16 * ((plaintext + kChunk - 1) / kChunk));
    // Read in pieces of another size than they were written in.
    const Opened opened = Open(sealed, B(), &A(), piece == 1 ? 4099 : piece - 2);
    ASSERT_TRUE(opened.result) << opened.result.error().number;
    EXPECT_TRUE(std::ranges::equal(opened.emitted, message));
    EXPECT_EQ(opened.result->signature,
              signing ? SignatureState::Verified : SignatureState::Unsigned);
}

INSTANTIATE_TEST_SUITE_P(
    SizesPiecesAndSigning, StreamRoundTripTest,
    ::testing::Combine(::testing::Values(0, 1, 65245, 65345, 65535, 65536, 65537, 3 * 65536),
                       ::testing::Values(1, 4097, 65537, SIZE_MAX), ::testing::Bool()));

// --- Who can read a message ------------------------------------------------------

struct ReaderCase {
    const char* name;
    std::vector<const EncodedKey* (*)()> recipients;
    const EncodedKey& (*reader)();
    bool opens;
};

void PrintTo(const ReaderCase& row, std::ostream* out) {
    *out << row.name;
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

class ReaderTest : public ::testing::TestWithParam<ReaderCase> {};

TEST_P(ReaderTest, OpensForEveryRecipientAndNoOneElse) {
    const ReaderCase& c = GetParam();
    std::vector<std::unique_ptr<Recipient>> held;
    std::vector<const Recipient*> recipients;
    for (const auto key : c.recipients) {
        held.push_back(RecipientOf(*key()));
        recipients.push_back(held.back().get());
    }
    const Bytes message = Message(300);
    const Opened opened = Open(Seal(recipients, nullptr, message, SIZE_MAX), c.reader(), nullptr);
    if (c.opens) {
        ASSERT_TRUE(opened.result) << opened.result.error().number;
        EXPECT_TRUE(std::ranges::equal(opened.emitted, message));
    } else {
        ASSERT_FALSE(opened.result);
        EXPECT_EQ(opened.result.error(), MakeError(ErrorCode::NotForThisKey));
        EXPECT_TRUE(opened.emitted.empty());
    }
}

INSTANTIATE_TEST_SUITE_P(
    Lists, ReaderTest,
    ::testing::Values(ReaderCase{"OneRecipient", {PtrB}, B, true},
                      ReaderCase{"OneRecipientOtherReader", {PtrB}, A, false},
                      ReaderCase{"FirstOfThree", {PtrA, PtrB, PtrC}, A, true},
                      ReaderCase{"SecondOfThree", {PtrA, PtrB, PtrC}, B, true},
                      // A 3072-bit key tries only the stanza as long as its modulus.
                      ReaderCase{"LastOfThreeLargerKey", {PtrA, PtrB, PtrC}, C, true},
                      ReaderCase{"NotAmongTwo", {PtrA, PtrB}, C, false},
                      ReaderCase{"KeyNamedTwice", {PtrB, PtrB}, B, true}),
    [](const auto& info) { return std::string(info.param.name); });

// --- The engine: the writer's copy and the signature ---------------------------

std::unique_ptr<EncryptionEngine> Engine(const EncodedKey* own, const EncodedKey* other) {
    auto engine = std::move(*EncryptionEngine::Create());
    auto method = std::move(*RsaMethod::Create());
    EXPECT_TRUE(method->SetPrivateKeyBlob(own ? RsaMethod::Blob(own->privateInfo) : std::nullopt));
    EXPECT_TRUE(
        method->SetPublicKeyBlob(other ? RsaMethod::Blob(other->publicInfo) : std::nullopt));
    EXPECT_TRUE(engine->AttachMethod(std::move(method)));
    return engine;
}

// Signs as the wrapped signer would and keeps what it wrote, or, once
// given a kept signature, writes that one again: a recipient passing a
// signed message on to someone else, signature and all.
class ReplayingSigner : public Signer {
public:
    explicit ReplayingSigner(const Signer& real) : real_(real) {}
    Bytes Preamble() const override { return real_.Preamble(); }
    std::size_t SignatureBytes() const override { return real_.SignatureBytes(); }
    const Fingerprint& KeyFingerprint() const override { return real_.KeyFingerprint(); }
    std::expected<void, Error> Sign(std::span<const std::uint8_t> statement,
                                    std::span<std::uint8_t> signature) const override {
        if (kept_.empty()) {
            auto made = real_.Sign(statement, signature);
            kept_.assign(signature.begin(), signature.end());
            return made;
        }
        std::ranges::copy(kept_, signature.begin());
        return {};
    }

private:
    const Signer& real_;
    mutable Bytes kept_;
};

Bytes ForwardedToC() {
    const auto signer = SignerOf(A());
    const ReplayingSigner replaying(*signer);
    const Bytes message = Message(14);
    const auto toB = RecipientOf(B());
    const auto toC = RecipientOf(C());
    const Recipient* const first[] = {toB.get()};
    const Recipient* const second[] = {toC.get()};
    (void)Seal(first, &replaying, message, SIZE_MAX);
    return Seal(second, &replaying, message, SIZE_MAX);
}

struct StateCase {
    const char* name;
    std::function<Bytes()> ciphertext;
    const EncodedKey& (*reader)();
    const EncodedKey* (*named)();  // the key in the reader's public key box
    SignatureState expected;
};

void PrintTo(const StateCase& row, std::ostream* out) {
    *out << row.name;
}

const EncodedKey* None() {
    return nullptr;
}
Bytes Written(const EncodedKey* own, const EncodedKey& to) {
    return *Engine(own, &to)->EncryptBytes(Message(14), true);
}

class SignatureStateTest : public ::testing::TestWithParam<StateCase> {};

TEST_P(SignatureStateTest, IsReportedWithTheText) {
    const StateCase& c = GetParam();
    const auto read = Engine(&c.reader(), c.named())->DecryptMessage(c.ciphertext(), true);
    ASSERT_TRUE(read) << read.error().number;
    EXPECT_TRUE(std::ranges::equal(read->text, Message(14)));
    EXPECT_EQ(read->signature, c.expected);
    EXPECT_EQ(read->signer.has_value(), c.expected != SignatureState::Unsigned);
    if (read->signer) {
        EXPECT_EQ(*read->signer, *KeyFingerprint(*Public(A())));
    }
}

INSTANTIATE_TEST_SUITE_P(
    States, SignatureStateTest,
    ::testing::Values(
        StateCase{"Unsigned", [] { return Written(nullptr, B()); }, B, PtrA,
                  SignatureState::Unsigned},
        StateCase{"Verified", [] { return Written(&A(), B()); }, B, PtrA, SignatureState::Verified},
        StateCase{"WritersCopyVerified", [] { return Written(&A(), B()); }, A, PtrA,
                  SignatureState::Verified},
        StateCase{"NoKeyNamed", [] { return Written(&A(), B()); }, B, None,
                  SignatureState::NoSenderKey},
        StateCase{"OtherKeyNamed", [] { return Written(&A(), B()); }, B, PtrC,
                  SignatureState::OtherSigner},
        StateCase{"ForwardedByTheRecipient", ForwardedToC, C, PtrA, SignatureState::BadSignature},
        StateCase{"SignedToSelf", [] { return Written(&A(), A()); }, A, PtrA,
                  SignatureState::Verified}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(FormatV3Test, EngineWritesVersionThreeWithTheWritersCopy) {
    // (own key, recipient, stanzas): a key named twice is wrapped once.
    const std::tuple<const EncodedKey*, const EncodedKey*, int> rows[] = {
        {nullptr, &B(), 1}, {&A(), &B(), 2}, {&A(), &A(), 1}};
    for (const auto& [own, to, stanzas] : rows) {
        const Bytes ciphertext = Written(own, *to);
        EXPECT_EQ(ciphertext.at(0), 3);
        EXPECT_EQ(ciphertext.at(1), stanzas);
    }
    // Someone else's copy does not open for a third reader.
    const auto read = Engine(&C(), nullptr)->DecryptMessage(Written(&A(), B()), true);
    ASSERT_FALSE(read);
    EXPECT_EQ(read.error(), MakeError(ErrorCode::NotForThisKey));
}

// --- Changed, cut and extended messages ---------------------------------------

// A's signed message to B with A's copy, 2 * 65536 + 100 bytes: two stanzas
// of 259 bytes from offset 2, the MAC, the salt, two full sealed chunks and
// a last one of 100 + 35 + 256 + 16 bytes.
constexpr std::size_t kStanza1 = 2 + 259;
constexpr std::size_t kMacAt = 2 + 2 * 259;
constexpr std::size_t kSaltAt = kMacAt + 32;
constexpr std::size_t kPayloadAt = kSaltAt + 16;
constexpr std::size_t kChunk1 = kPayloadAt + kSealed;
constexpr std::size_t kChunk2 = kChunk1 + kSealed;
constexpr std::size_t kTotal = kChunk2 + 100 + 35 + 256 + 16;

struct MutationCase {
    const char* name;
    std::function<void(Bytes&)> change;
    ErrorCode expected = ErrorCode::NotForThisKey;
};

void PrintTo(const MutationCase& row, std::ostream* out) {
    *out << row.name;
}

std::function<void(Bytes&)> Flip(std::size_t at) {
    return [at](Bytes& b) { b.at(at) ^= 0x01; };
}
std::function<void(Bytes&)> CutTo(std::size_t size) {
    return [size](Bytes& b) { b.resize(size); };
}
std::function<void(Bytes&)> Remove(std::size_t at, std::size_t size, int countChange = 0) {
    return [=](Bytes& b) {
        b.erase(b.begin() + static_cast<std::ptrdiff_t>(at),
                b.begin() + static_cast<std::ptrdiff_t>(at + size));
        b[1] = static_cast<std::uint8_t>(b[1] + countChange);
    };
}
std::function<void(Bytes&)> Insert(std::size_t at, Bytes bytes, int countChange = 0) {
    return [=](Bytes& b) {
        b.insert(b.begin() + static_cast<std::ptrdiff_t>(at), bytes.begin(), bytes.end());
        b[1] = static_cast<std::uint8_t>(b[1] + countChange);
    };
}
std::function<void(Bytes&)> Set(std::size_t at, std::uint8_t value) {
    return [=](Bytes& b) { b.at(at) = value; };
}

class MutationTest : public ::testing::TestWithParam<MutationCase> {};

TEST_P(MutationTest, IsRefusedWithTheOneErrorAndNoText) {
    static const Bytes original =
        *Engine(&A(), &B())->EncryptBytes(Message(2 * kChunk + 100), true);
    ASSERT_EQ(original.size(), kTotal);
    Bytes changed = original;
    GetParam().change(changed);
    const Opened opened = Open(changed, B(), &A(), 5000);
    ASSERT_FALSE(opened.result);
    EXPECT_EQ(opened.result.error(), MakeError(GetParam().expected));
}

using Ints = std::initializer_list<std::uint8_t>;

INSTANTIATE_TEST_SUITE_P(
    Fields, MutationTest,
    ::testing::
        Values(
            MutationCase{"Version", Flip(0), ErrorCode::CiphertextVersion},
            MutationCase{"CountUp", Set(1, 3)}, MutationCase{"CountDown", Set(1, 1)},
            MutationCase{"CountZero", Set(1, 0)}, MutationCase{"Count65", Set(1, 65)},
            MutationCase{"StanzaTypeUnknown", Set(2, 0x7F)},
            MutationCase{"StanzaTypeX25519", Set(2, 0x02)},
            MutationCase{"StanzaLengthHigh", Flip(3)}, MutationCase{"StanzaLengthLow", Flip(4)},
            MutationCase{"StanzaBodyFirst", Flip(5)},
            MutationCase{"StanzaBodyLast", Flip(kStanza1 - 1)},
            MutationCase{"OtherStanzaBody", Flip(kStanza1 + 100)},
            MutationCase{"MacFirst", Flip(kMacAt)}, MutationCase{"MacLast", Flip(kSaltAt - 1)},
            MutationCase{"Salt", Flip(kSaltAt + 7)}, MutationCase{"FirstChunk", Flip(kPayloadAt)},
            MutationCase{"FirstChunkTag", Flip(kChunk1 - 1)},
            MutationCase{"MiddleChunk", Flip(kChunk1 + 40000)},
            MutationCase{"LastChunk", Flip(kChunk2 + 3)}, MutationCase{"LastTag", Flip(kTotal - 1)},
            MutationCase{"OwnStanzaRemoved", Remove(2, 259, -1)},
            MutationCase{"OtherStanzaRemoved", Remove(kStanza1, 259, -1)},
            MutationCase{"UnknownStanzaAdded",
                         Insert(kMacAt, Bytes(Ints{0x7F, 0x00, 0x01, 0x00}), 1)},
            MutationCase{"HeaderExtended", Insert(kSaltAt, Bytes(8, 0))},
            MutationCase{"CutInHeader", CutTo(kMacAt + 5)},
            MutationCase{"CutAfterHeader", CutTo(kSaltAt)},
            MutationCase{"CutAfterSalt", CutTo(kPayloadAt)},
            MutationCase{"CutAtFirstChunkEnd", CutTo(kChunk1)},
            MutationCase{"CutAtSecondChunkEnd", CutTo(kChunk2)},
            MutationCase{"CutInsideAChunk", CutTo(kChunk1 + 1000)},
            MutationCase{"CutToLessThanATag", CutTo(kChunk2 + 16)},
            MutationCase{"LastByteMissing", CutTo(kTotal - 1)},
            MutationCase{
                "ChunksSwapped",
                [](Bytes& b) {
                    std::swap_ranges(b.begin() + kPayloadAt, b.begin() + kChunk1,
                                     b.begin() + kChunk1);
                }},
            MutationCase{"ChunkRepeated", Insert(kChunk1, Bytes(kSealed, 0))},
            MutationCase{"ByteAppended", [](Bytes& b) { b.push_back(0); }},
            MutationCase{"LastChunkAppendedAgain",
                         [](Bytes& b) { b.insert(b.end(), b.begin() + kChunk2, b.end()); }}),
    [](const auto& info) { return std::string(info.param.name); });

// --- Nothing from a chunk whose tag failed -------------------------------------

struct EmittedCase {
    const char* name;
    bool signing;
    std::size_t damaged;  // the chunk with a changed byte
    std::size_t emitted;  // message bytes passed on before the refusal
};

void PrintTo(const EmittedCase& row, std::ostream* out) {
    *out << row.name;
}

class EmittedTest : public ::testing::TestWithParam<EmittedCase> {};

TEST_P(EmittedTest, StopsAtTheDamagedChunk) {
    const EmittedCase& c = GetParam();
    const Bytes message = Message(3 * kChunk);
    Bytes sealed = *Engine(c.signing ? &A() : nullptr, &B())->EncryptBytes(message, true);
    // After the header (one stanza, or two with the writer's copy) and salt.
    const std::size_t payload = 2 + (c.signing ? 2 : 1) * (3 + 256) + 32 + 16;
    sealed.at(payload + c.damaged * kSealed + 10) ^= 0x80;
    const Opened opened = Open(sealed, B(), &A(), 1000);
    ASSERT_FALSE(opened.result);
    EXPECT_EQ(opened.result.error(), MakeError(ErrorCode::NotForThisKey));
    ASSERT_EQ(opened.emitted.size(), c.emitted);
    EXPECT_TRUE(std::equal(opened.emitted.begin(), opened.emitted.end(), message.begin()));
}

INSTANTIATE_TEST_SUITE_P(
    Chunks, EmittedTest,
    ::testing::Values(EmittedCase{"UnsignedFirst", false, 0, 0},
                      EmittedCase{"UnsignedSecond", false, 1, kChunk - 1},
                      EmittedCase{"UnsignedLast", false, 3, 3 * kChunk - 1},
                      EmittedCase{"SignedFirst", true, 0, 0},
                      // The signature's length is held back from what is passed on.
                      EmittedCase{"SignedSecond", true, 1, kChunk - 35 - 256},
                      EmittedCase{"SignedLast", true, 3, 3 * kChunk - 35 - 256}),
    [](const auto& info) { return std::string(info.param.name); });

// --- Preambles no sealer of ours writes ----------------------------------------

// Writes whatever preamble and signature length it is given, under good
// tags: the only way to reach the checks behind them.
class ScriptedSigner : public Signer {
public:
    ScriptedSigner(Bytes preamble, std::size_t signatureBytes)
        : preamble_(std::move(preamble)), signatureBytes_(signatureBytes) {}
    Bytes Preamble() const override { return preamble_; }
    std::size_t SignatureBytes() const override { return signatureBytes_; }
    const Fingerprint& KeyFingerprint() const override { return print_; }
    std::expected<void, Error> Sign(std::span<const std::uint8_t>,
                                    std::span<std::uint8_t> signature) const override {
        std::ranges::fill(signature, 0x5A);
        return {};
    }

private:
    Bytes preamble_;
    std::size_t signatureBytes_;
    Fingerprint print_{};
};

// `kind`, A's fingerprint, and a length field when `length` is not zero.
Bytes PreambleOf(std::uint8_t kind, std::size_t length) {
    Bytes preamble{kind};
    const Fingerprint print = *KeyFingerprint(*Public(A()));
    preamble.insert(preamble.end(), print.begin(), print.end());
    if (length != 0) {
        preamble.push_back(static_cast<std::uint8_t>(length >> 8));
        preamble.push_back(static_cast<std::uint8_t>(length & 0xFF));
    }
    return preamble;
}

struct PreambleCase {
    const char* name;
    Bytes preamble;
    std::size_t signatureBytes;
    std::size_t messageBytes;
    std::optional<SignatureState> expected;  // none: refused
};

void PrintTo(const PreambleCase& row, std::ostream* out) {
    *out << row.name;
}

class PreambleTest : public ::testing::TestWithParam<PreambleCase> {};

TEST_P(PreambleTest, IsReadOrRefused) {
    const PreambleCase& c = GetParam();
    const ScriptedSigner signer(c.preamble, c.signatureBytes);
    const auto recipient = RecipientOf(B());
    const Recipient* const recipients[] = {recipient.get()};
    const Bytes message = Message(c.messageBytes);
    const Opened opened = Open(Seal(recipients, &signer, message, SIZE_MAX), B(), &A());
    if (!c.expected) {
        ASSERT_FALSE(opened.result);
        EXPECT_EQ(opened.result.error(), MakeError(ErrorCode::NotForThisKey));
        EXPECT_TRUE(opened.emitted.empty());
    } else {
        ASSERT_TRUE(opened.result) << opened.result.error().number;
        EXPECT_EQ(opened.result->signature, *c.expected);
        EXPECT_TRUE(std::ranges::equal(opened.emitted, message));
    }
}

INSTANTIATE_TEST_SUITE_P(
    Kinds, PreambleTest,
    ::testing::Values(
        PreambleCase{"UnknownKind", Bytes{0x05}, 0, 10, std::nullopt},
        PreambleCase{"RsaLengthBelowRange", PreambleOf(0x01, 255), 255, 10, std::nullopt},
        PreambleCase{"RsaLengthAboveRange", PreambleOf(0x01, 2049), 2049, 10, std::nullopt},
        // Says 2048 bytes of signature; the whole plaintext after it is shorter.
        PreambleCase{"TrailerLongerThanThePlaintext", PreambleOf(0x01, 2048), 256, 1000,
                     std::nullopt},
        PreambleCase{"PreambleCutShort", Bytes{0x01, 0xAA, 0xBB}, 0, 0, std::nullopt},
        // A's fingerprint with another kind or length than A's key makes.
        PreambleCase{"OtherKindSameFingerprint", PreambleOf(0x02, 0), 64, 70000,
                     SignatureState::BadSignature},
        PreambleCase{"OtherLengthSameFingerprint", PreambleOf(0x01, 257), 257, 100,
                     SignatureState::BadSignature},
        PreambleCase{"WrongSignatureRightLength", PreambleOf(0x01, 256), 256, 65345,
                     SignatureState::BadSignature}),
    [](const auto& info) { return std::string(info.param.name); });

// --- Limits and failures on the way ---------------------------------------------

// Wraps nothing of use: stands for any number of distinct recipients
// without making that many RSA keys.
class CountedRecipient : public Recipient {
public:
    explicit CountedRecipient(std::uint8_t number) : number_(number) {}
    std::expected<Stanza, Error> Wrap(const MessageKey&) const override {
        return Stanza{0x7F, Bytes(1, 0)};
    }
    bool SameKey(const Recipient& other) const override {
        const auto* counted = dynamic_cast<const CountedRecipient*>(&other);
        return counted != nullptr && counted->number_ == number_;
    }

private:
    std::uint8_t number_;
};

TEST(FormatV3Test, TakesOneToSixtyFourDistinctRecipients) {
    std::vector<CountedRecipient> fakes;
    for (int i = 0; i < 65; ++i) {
        fakes.emplace_back(static_cast<std::uint8_t>(i));
    }
    std::vector<const Recipient*> list;
    for (const auto& fake : fakes) {
        list.push_back(&fake);
    }
    const auto sink = [](std::span<const std::uint8_t>) { return std::expected<void, Error>(); };
    // (how many of the list, the outcome)
    const std::pair<std::size_t, std::optional<ErrorCode>> rows[] = {
        {0, ErrorCode::NoPublicKey},
        {1, std::nullopt},
        {64, std::nullopt},
        {65, ErrorCode::TooManyRecipients}};
    for (const auto& [count, error] : rows) {
        const auto sealer = StreamSealer::Start(std::span(list).first(count), nullptr, sink);
        EXPECT_EQ(sealer.has_value(), !error) << count;
        if (error) {
            EXPECT_EQ(sealer.error(), MakeError(*error));
        }
    }
    // The same key listed 65 times is one recipient.
    std::vector<const Recipient*> same(65, &fakes[0]);
    EXPECT_TRUE(StreamSealer::Start(same, nullptr, sink));
}

TEST(FormatV3Test, IdentityTriesOnlyStanzasOfItsKindAndLength) {
    MessageKey key;
    key.data()[0] = 42;
    const Stanza good = *RecipientOf(B())->Wrap(key);
    const Stanza longer{Stanza::kRsa, [&] {
                            Bytes b = good.body;
                            b.push_back(0);
                            return b;
                        }()};
    const Stanza otherKind{Stanza::kX25519, good.body};
    const auto identity = IdentityOf(B());
    // (stanzas, whether the message key comes out)
    const std::pair<std::vector<Stanza>, bool> rows[] = {{{good}, true},
                                                         {{otherKind}, false},
                                                         {{longer}, false},
                                                         {{otherKind, good}, true},
                                                         {{longer, otherKind}, false}};
    for (const auto& [stanzas, opens] : rows) {
        MessageKey out;
        const auto unwrapped = identity->Unwrap(stanzas, out);
        EXPECT_EQ(unwrapped.has_value(), opens);
        EXPECT_EQ(out.data()[0], opens ? 42 : 0);
    }
}

TEST(FormatV3Test, FailingSinkStopsTheSealerWithItsError) {
    const auto recipient = RecipientOf(B());
    const Recipient* const recipients[] = {recipient.get()};
    int calls = 0;
    auto sealer = StreamSealer::Start(recipients, nullptr, [&](std::span<const std::uint8_t>) {
        return ++calls == 2 ? std::expected<void, Error>(std::unexpected(SystemError(28)))
                            : std::expected<void, Error>();
    });
    ASSERT_TRUE(sealer);
    const Bytes message = Message(3 * kChunk);
    EXPECT_EQ((*sealer)->Update(message).error(), SystemError(28));
    EXPECT_EQ((*sealer)->Finish().error(), SystemError(28));
    EXPECT_EQ(calls, 2);
}

}  // namespace
}  // namespace zelvora
