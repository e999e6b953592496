#include "base/ErrorCode.h"
#include "keys/DerReader.h"
#include "crypto/EncryptionEngine.h"
#include "crypto/RsaMethod.h"
#include "keys/AnyKey.h"
#include "tests/support/CryptoTestKeys.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>
#include <tuple>

namespace zelvora {
namespace {

using test::CryptoTestKeys;
using test::EncodedKey;

enum class Slot { Private, Public };

std::shared_ptr<RsaMethod> NewMethod() {
    auto method = RsaMethod::Create();
    EXPECT_TRUE(method);
    return method ? *method : nullptr;
}

std::expected<void, Error> Set(RsaMethod& method, Slot slot, RsaMethod::Blob blob) {
    return slot == Slot::Private ? method.SetPrivateKeyBlob(blob) : method.SetPublicKeyBlob(blob);
}

const AnyKey* Held(const RsaMethod& method, Slot slot) {
    return slot == Slot::Private ? method.PrivateKey() : method.PublicKey();
}

const Bytes& GoodBlob(Slot slot) {
    const EncodedKey& key = CryptoTestKeys::Rsa(2048);
    return slot == Slot::Private ? key.privateInfo : key.publicInfo;
}

Bytes FromHex(std::string_view hex) {
    Bytes bytes;
    for (std::size_t i = 0; i + 1 < hex.size(); i += 2) {
        bytes.push_back(
            static_cast<std::uint8_t>(std::stoi(std::string(hex.substr(i, 2)), nullptr, 16)));
    }
    return bytes;
}

// --- Every accepted form, in every pairing ----------------------------------

class AcceptedFormsTest : public ::testing::TestWithParam<std::tuple<bool, bool>> {};

TEST_P(AcceptedFormsTest, RoundTripsAMessage) {
    const auto [privateInfo, publicInfo] = GetParam();
    const EncodedKey& key = CryptoTestKeys::Rsa(3072);
    auto method = NewMethod();
    ASSERT_TRUE(method->SetPrivateKeyBlob(
        std::span<const std::uint8_t>(privateInfo ? key.privateInfo : key.privateBare)));
    ASSERT_TRUE(method->SetPublicKeyBlob(
        std::span<const std::uint8_t>(publicInfo ? key.publicInfo : key.publicBare)));
    auto engine = std::move(*EncryptionEngine::Create());
    ASSERT_TRUE(engine->AttachMethod(method));

    const Bytes message{'Z', 'e', 'l', 'v', 'o', 'r', 'a'};
    const auto ciphertext = engine->EncryptBytes(message, true);
    ASSERT_TRUE(ciphertext);
    const auto plaintext = engine->DecryptBytes(*ciphertext, true);
    ASSERT_TRUE(plaintext) << plaintext.error().number;
    EXPECT_TRUE(std::ranges::equal(*plaintext, message));
}

INSTANTIATE_TEST_SUITE_P(Pkcs8OrPkcs1WithSpkiOrPkcs1, AcceptedFormsTest,
                         ::testing::Combine(::testing::Bool(), ::testing::Bool()));

// --- Refused blobs ------------------------------------------------------------

// Where a refused blob comes from: one form of a test key, perhaps edited.
enum class Source { NoBytes, Garbage, Rsa2048, Rsa1024, HugeRsa, Ec, Ed25519 };
enum class Edit { Keep, DropLastByte, AppendByte, MultiPrimeVersion };

struct RefusedCase {
    const char* name;
    Slot slot;
    Source source;
    Bytes EncodedKey::*form;
    Edit edit;
    ErrorCode expected;
};

// Names the row in failure messages instead of dumping its bytes.
void PrintTo(const RefusedCase& row, std::ostream* out) {
    *out << row.name;
}

const EncodedKey& KeyFrom(Source source) {
    static const EncodedKey none;
    static const Bytes text{'n', 'o', 't', ' ', 'a', ' ', 'k', 'e', 'y'};
    static const EncodedKey garbage{text, text, text, text};
    switch (source) {
        case Source::NoBytes:
            return none;
        case Source::Garbage:
            return garbage;
        case Source::Rsa2048:
            return CryptoTestKeys::Rsa(2048);
        case Source::Rsa1024:
            return CryptoTestKeys::Rsa1024();
        case Source::HugeRsa:
            return CryptoTestKeys::HugeRsaPublic();
        case Source::Ec:
            return CryptoTestKeys::EcP256();
        case Source::Ed25519:
            return CryptoTestKeys::Ed25519();
    }
    return none;
}

Bytes BlobOf(const RefusedCase& c) {
    Bytes blob = KeyFrom(c.source).*c.form;
    switch (c.edit) {
        case Edit::Keep:
            break;
        case Edit::DropLastByte:
            blob.pop_back();
            break;
        case Edit::AppendByte:
            blob.push_back(0x00);
            break;
        case Edit::MultiPrimeVersion:
            // The version INTEGER of RSAPrivateKey, after a four-byte
            // SEQUENCE header; 1 announces more than two primes.
            blob.at(6) = 0x01;
            break;
    }
    return blob;
}

class RefusedBlobTest : public ::testing::TestWithParam<RefusedCase> {};

TEST_P(RefusedBlobTest, IsRefusedAndLeavesTheSlotEmpty) {
    const RefusedCase& c = GetParam();
    auto method = NewMethod();
    // A key set before must not survive a refused replacement.
    ASSERT_TRUE(Set(*method, c.slot, std::span<const std::uint8_t>(GoodBlob(c.slot))));
    const Bytes blob = BlobOf(c);
    const auto result = Set(*method, c.slot, std::span<const std::uint8_t>(blob));
    ASSERT_FALSE(result);
    EXPECT_EQ(result.error(), MakeError(c.expected));
    EXPECT_EQ(Held(*method, c.slot), nullptr);
}

using enum Slot;
using enum Source;
using enum Edit;
using enum ErrorCode;
constexpr auto kPkcs8 = &EncodedKey::privateInfo;
constexpr auto kPrivateBare = &EncodedKey::privateBare;  // PKCS#1, or SEC1 for EC
constexpr auto kSpki = &EncodedKey::publicInfo;
constexpr auto kPublicBare = &EncodedKey::publicBare;

INSTANTIATE_TEST_SUITE_P(
    Blobs, RefusedBlobTest,
    ::testing::Values(
        RefusedCase{"PrivateEmpty", Private, NoBytes, kPkcs8, Keep, PrivateKeyEmpty},
        RefusedCase{"PrivateGarbage", Private, Garbage, kPkcs8, Keep, PrivateKeyMalformed},
        RefusedCase{"PrivateTruncatedPkcs8", Private, Rsa2048, kPkcs8, DropLastByte,
                    PrivateKeyMalformed},
        RefusedCase{"PrivateTruncatedPkcs1", Private, Rsa2048, kPrivateBare, DropLastByte,
                    PrivateKeyMalformed},
        RefusedCase{"PrivateTrailingBytePkcs8", Private, Rsa2048, kPkcs8, AppendByte,
                    PrivateKeyMalformed},
        RefusedCase{"PrivateTrailingBytePkcs1", Private, Rsa2048, kPrivateBare, AppendByte,
                    PrivateKeyMalformed},
        RefusedCase{"PrivateMultiPrime", Private, Rsa2048, kPrivateBare, MultiPrimeVersion,
                    PrivateKeyMalformed},
        RefusedCase{"PrivateEcPkcs8", Private, Ec, kPkcs8, Keep, PrivateKeyNotRsa},
        RefusedCase{"PrivateEcSec1", Private, Ec, kPrivateBare, Keep, PrivateKeyNotRsa},
        RefusedCase{"PrivateTooSmallPkcs8", Private, Rsa1024, kPkcs8, Keep, PrivateKeySize},
        RefusedCase{"PrivateTooSmallPkcs1", Private, Rsa1024, kPrivateBare, Keep, PrivateKeySize},
        RefusedCase{"PrivateGivenRsaSpki", Private, Rsa2048, kSpki, Keep, PrivateKeyIsPublic},
        RefusedCase{"PrivateGivenRsaPkcs1", Private, Rsa2048, kPublicBare, Keep,
                    PrivateKeyIsPublic},
        RefusedCase{"PrivateGivenEcSpki", Private, Ec, kSpki, Keep, PrivateKeyIsPublic},
        RefusedCase{"PublicEmpty", Public, NoBytes, kSpki, Keep, PublicKeyEmpty},
        RefusedCase{"PublicGarbage", Public, Garbage, kSpki, Keep, PublicKeyMalformed},
        RefusedCase{"PublicTruncatedSpki", Public, Rsa2048, kSpki, DropLastByte,
                    PublicKeyMalformed},
        RefusedCase{"PublicTruncatedPkcs1", Public, Rsa2048, kPublicBare, DropLastByte,
                    PublicKeyMalformed},
        RefusedCase{"PublicTrailingByteSpki", Public, Rsa2048, kSpki, AppendByte,
                    PublicKeyMalformed},
        RefusedCase{"PublicTrailingBytePkcs1", Public, Rsa2048, kPublicBare, AppendByte,
                    PublicKeyMalformed},
        RefusedCase{"PublicEcSpki", Public, Ec, kSpki, Keep, PublicKeyNotRsa},
        RefusedCase{"PublicTooSmallSpki", Public, Rsa1024, kSpki, Keep, PublicKeySize},
        RefusedCase{"PublicTooLargeSpki", Public, HugeRsa, kSpki, Keep, PublicKeySize},
        RefusedCase{"PublicTooLargePkcs1", Public, HugeRsa, kPublicBare, Keep, PublicKeySize},
        RefusedCase{"PublicGivenRsaPkcs8", Public, Rsa2048, kPkcs8, Keep, PublicKeyIsPrivate},
        RefusedCase{"PublicGivenRsaPkcs1", Public, Rsa2048, kPrivateBare, Keep, PublicKeyIsPrivate},
        RefusedCase{"PublicGivenEcPkcs8", Public, Ec, kPkcs8, Keep, PublicKeyIsPrivate}),
    [](const auto& info) { return std::string(info.param.name); });

// --- Encoding rules, on hand-made RSAPublicKey structures ---------------------

struct EncodingCase {
    const char* name;
    std::function<Bytes()> blob;
    // No value: the blob is accepted.
    std::optional<ErrorCode> expected;
};

// Names the row in failure messages instead of dumping its bytes.
void PrintTo(const EncodingCase& row, std::ostream* out) {
    *out << row.name;
}

// DER of one element with a definite length in its shortest form.
Bytes Tlv(std::uint8_t tag, const Bytes& content) {
    Bytes out{tag};
    if (content.size() < 0x80) {
        out.push_back(static_cast<std::uint8_t>(content.size()));
    } else {
        Bytes length;
        for (std::size_t n = content.size(); n != 0; n >>= 8) {
            length.insert(length.begin(), static_cast<std::uint8_t>(n));
        }
        out.push_back(static_cast<std::uint8_t>(0x80 | length.size()));
        out.insert(out.end(), length.begin(), length.end());
    }
    out.insert(out.end(), content.begin(), content.end());
    return out;
}

Bytes RsaPublicKey(Bytes n, Bytes e) {
    for (Bytes* value : {&n, &e}) {
        if ((value->front() & 0x80) != 0) {
            value->insert(value->begin(), 0x00);
        }
    }
    Bytes body = Tlv(0x02, n);
    const Bytes exponent = Tlv(0x02, e);
    body.insert(body.end(), exponent.begin(), exponent.end());
    return Tlv(0x30, body);
}

// The same key wrapped in SubjectPublicKeyInfo, which must hold it to the
// same rules.
Bytes Spki(const Bytes& rsaPublicKey) {
    Bytes body = FromHex("300D06092A864886F70D0101010500");
    Bytes bits{0x00};
    bits.insert(bits.end(), rsaPublicKey.begin(), rsaPublicKey.end());
    const Bytes bitString = Tlv(0x03, bits);
    body.insert(body.end(), bitString.begin(), bitString.end());
    return Tlv(0x30, body);
}

// An odd number of `bytes` bytes whose top byte is `top`.
Bytes OddNumber(std::size_t bytes, std::uint8_t top) {
    Bytes value(bytes, 0x5A);
    value.front() = top;
    value.back() |= 0x01;
    return value;
}

class EncodingTest : public ::testing::TestWithParam<EncodingCase> {};

TEST_P(EncodingTest, FollowsTheStrictRules) {
    auto method = NewMethod();
    const Bytes blob = GetParam().blob();
    const auto result = method->SetPublicKeyBlob(std::span<const std::uint8_t>(blob));
    if (!GetParam().expected) {
        EXPECT_TRUE(result) << result.error().number;
    } else {
        ASSERT_FALSE(result);
        EXPECT_EQ(result.error(), MakeError(*GetParam().expected));
    }
}

constexpr auto kMalformed = PublicKeyMalformed;

INSTANTIATE_TEST_SUITE_P(
    RsaPublicKey, EncodingTest,
    ::testing::Values(
        // Well-formed but tiny: reaching the size check shows it was read.
        EncodingCase{"TinyButWellFormed", [] { return FromHex("3006020105020103"); },
                     PublicKeySize},
        EncodingCase{"RedundantLeadingZero", [] { return FromHex("300702020005020103"); },
                     kMalformed},
        EncodingCase{"NegativeModulus", [] { return FromHex("3006020185020103"); }, kMalformed},
        EncodingCase{"EvenModulus", [] { return FromHex("3006020106020103"); }, kMalformed},
        EncodingCase{"ZeroExponent", [] { return FromHex("3006020105020100"); }, kMalformed},
        EncodingCase{"ExponentOne", [] { return FromHex("3006020105020101"); }, kMalformed},
        EncodingCase{"EvenExponent", [] { return FromHex("3006020107020104"); }, kMalformed},
        EncodingCase{"ExponentNotBelowModulus", [] { return FromHex("3006020105020105"); },
                     kMalformed},
        EncodingCase{"LongFormForShortLength", [] { return FromHex("308106020105020103"); },
                     kMalformed},
        EncodingCase{"LengthWithLeadingZero", [] { return FromHex("30820006020105020103"); },
                     kMalformed},
        EncodingCase{"IndefiniteLength", [] { return FromHex("30800201050201030000"); },
                     kMalformed},
        EncodingCase{"LengthPastTheEnd", [] { return FromHex("3007020105020103"); }, kMalformed},
        EncodingCase{"MultiByteTag", [] { return FromHex("3F06020105020103"); }, kMalformed},
        EncodingCase{"ThreeIntegers", [] { return FromHex("3009020105020103020103"); }, kMalformed},
        EncodingCase{"TinyButWellFormedInSpki", [] { return Spki(FromHex("3006020105020103")); },
                     PublicKeySize},
        EncodingCase{"NegativeModulusInSpki", [] { return Spki(FromHex("3006020185020103")); },
                     kMalformed},
        EncodingCase{"LongFormLengthInSpki", [] { return Spki(FromHex("308106020105020103")); },
                     kMalformed},
        EncodingCase{"SmallestAccepted",
                     [] {
                         return RsaPublicKey(OddNumber(256, 0x80), {0x01, 0x00, 0x01});
                     },
                     std::nullopt},
        EncodingCase{"LargestAccepted",
                     [] {
                         return RsaPublicKey(OddNumber(2048, 0xFF), {0x01, 0x00, 0x01});
                     },
                     std::nullopt},
        EncodingCase{"OneBitTooSmall",
                     [] {
                         return RsaPublicKey(OddNumber(256, 0x7F), {0x01, 0x00, 0x01});
                     },
                     PublicKeySize},
        EncodingCase{"OneBitTooLarge",
                     [] {
                         return RsaPublicKey(OddNumber(2049, 0x01), {0x01, 0x00, 0x01});
                     },
                     PublicKeySize},
        // OpenSSL would refuse the first encryption with such a key.
        EncodingCase{"WideExponentOnLargeModulus",
                     [] { return RsaPublicKey(OddNumber(385, 0xC3), OddNumber(9, 0x01)); },
                     kMalformed},
        EncodingCase{"WideExponentOn3072BitModulus",
                     [] { return RsaPublicKey(OddNumber(384, 0xC3), OddNumber(9, 0x01)); },
                     std::nullopt}),
    [](const auto& info) { return std::string(info.param.name); });

// --- Private keys whose parts do not belong together ---------------------------

// The nine INTEGERs of a PKCS#1 RSAPrivateKey, big-endian magnitudes:
// version, n, e, d, p, q, dp, dq, qinv.
std::vector<Bytes> PrivateNumbers(const EncodedKey& key) {
    DerReader outer(key.privateBare);
    DerReader fields(*outer.Read(DerReader::kSequence));
    std::vector<Bytes> numbers{{0x00}};
    (void)fields.ReadSmallInteger();
    while (const auto value = fields.ReadPositiveInteger()) {
        numbers.emplace_back(value->begin(), value->end());
    }
    return numbers;
}

Bytes Integer(Bytes magnitude) {
    if (magnitude.empty() || (magnitude.front() & 0x80) != 0) {
        magnitude.insert(magnitude.begin(), 0x00);
    }
    return Tlv(0x02, magnitude);
}

Bytes Concat(std::initializer_list<Bytes> parts) {
    Bytes out;
    for (const Bytes& part : parts) {
        out.insert(out.end(), part.begin(), part.end());
    }
    return out;
}

Bytes RsaPrivateKey(const std::vector<Bytes>& numbers) {
    Bytes body;
    for (const Bytes& number : numbers) {
        const Bytes element = Integer(number);
        body.insert(body.end(), element.begin(), element.end());
    }
    return Tlv(0x30, body);
}

// PKCS#8 version 2 (RFC 5958): version 1, with the optional public key.
Bytes PrivateKeyInfoWithPublicKey(const std::vector<Bytes>& numbers, const Bytes& publicKey) {
    return Tlv(0x30,
               Concat({FromHex("020101300D06092A864886F70D0101010500"),
                       Tlv(0x04, RsaPrivateKey(numbers)), Tlv(0x81, Concat({{0x00}, publicKey}))}));
}

enum Field { kVersion, kN, kE, kD, kP, kQ, kDp, kDq, kQinv };

struct ConsistencyCase {
    const char* name;
    std::function<Bytes(std::vector<Bytes> numbers)> blob;
    bool accepted;
};

void PrintTo(const ConsistencyCase& row, std::ostream* out) {
    *out << row.name;
}

// Changes a number's last byte, keeping its length and encoding.
std::function<Bytes(std::vector<Bytes>)> Changed(Field field) {
    return [field](std::vector<Bytes> numbers) {
        numbers[field].back() ^= 0x02;
        return RsaPrivateKey(numbers);
    };
}

class ConsistencyTest : public ::testing::TestWithParam<ConsistencyCase> {};

TEST_P(ConsistencyTest, PrivateKeyPartsMustBelongTogether) {
    const Bytes blob = GetParam().blob(PrivateNumbers(CryptoTestKeys::Rsa(2048)));
    const auto result = NewMethod()->SetPrivateKeyBlob(std::span<const std::uint8_t>(blob));
    if (GetParam().accepted) {
        EXPECT_TRUE(result) << result.error().number;
    } else {
        ASSERT_FALSE(result);
        EXPECT_EQ(result.error(), MakeError(ErrorCode::PrivateKeyMalformed));
    }
}

INSTANTIATE_TEST_SUITE_P(
    Keys, ConsistencyTest,
    ::testing::Values(ConsistencyCase{"Unchanged",
                                      [](auto numbers) { return RsaPrivateKey(numbers); }, true},
                      ConsistencyCase{"OtherD",
                                      [](auto numbers) {
                                          numbers[kD] =
                                              PrivateNumbers(CryptoTestKeys::OtherRsa2048())[kD];
                                          return RsaPrivateKey(numbers);
                                      },
                                      false},
                      ConsistencyCase{"ChangedD", Changed(kD), false},
                      ConsistencyCase{"ChangedP", Changed(kP), false},
                      ConsistencyCase{"ChangedQ", Changed(kQ), false},
                      ConsistencyCase{"ChangedDp", Changed(kDp), false},
                      ConsistencyCase{"ChangedDq", Changed(kDq), false},
                      ConsistencyCase{"ChangedQinv", Changed(kQinv), false},
                      // Still odd, so only e * d = 1 tells.
                      ConsistencyCase{"OtherE",
                                      [](auto numbers) {
                                          numbers[kE] = {0x01, 0x00, 0x03};
                                          return RsaPrivateKey(numbers);
                                      },
                                      false},
                      ConsistencyCase{"DLongerThanModulus",
                                      [](auto numbers) {
                                          numbers[kD].insert(numbers[kD].begin(), 0x01);
                                          return RsaPrivateKey(numbers);
                                      },
                                      false},
                      ConsistencyCase{"PrimesOfOne",
                                      [](auto numbers) {
                                          numbers[kP] = {0x01};
                                          numbers[kQ] = numbers[kN];
                                          return RsaPrivateKey(numbers);
                                      },
                                      false},
                      ConsistencyCase{"Pkcs8WithItsOwnPublicKey",
                                      [](auto numbers) {
                                          return PrivateKeyInfoWithPublicKey(
                                              numbers, CryptoTestKeys::Rsa(2048).publicBare);
                                      },
                                      true},
                      ConsistencyCase{"Pkcs8WithAnotherPublicKey",
                                      [](auto numbers) {
                                          return PrivateKeyInfoWithPublicKey(
                                              numbers, CryptoTestKeys::OtherRsa2048().publicBare);
                                      },
                                      false}),
    [](const auto& info) { return std::string(info.param.name); });

// --- No value -------------------------------------------------------------------

class NoValueTest : public ::testing::TestWithParam<Slot> {};

TEST_P(NoValueTest, IsAcceptedAndClearsTheSlot) {
    auto method = NewMethod();
    ASSERT_TRUE(Set(*method, GetParam(), std::span<const std::uint8_t>(GoodBlob(GetParam()))));
    ASSERT_NE(Held(*method, GetParam()), nullptr);
    EXPECT_TRUE(Set(*method, GetParam(), std::nullopt));
    EXPECT_EQ(Held(*method, GetParam()), nullptr);
}

INSTANTIATE_TEST_SUITE_P(BothSlots, NoValueTest, ::testing::Values(Slot::Private, Slot::Public));

}  // namespace
}  // namespace zelvora
