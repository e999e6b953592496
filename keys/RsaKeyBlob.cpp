#include "keys/RsaKeyBlob.h"

#include "keys/DerReader.h"

#include <algorithm>
#include <array>
#include <optional>

namespace zelvora {
namespace {

using Kind = RsaKeyBlob::Kind;
using Span = RsaKeyBlob::Span;

// rsaEncryption, 1.2.840.113549.1.1.1 (RFC 8017 A.1), as DER content bytes.
constexpr std::array<std::uint8_t, 9> kRsaEncryption{0x2A, 0x86, 0x48, 0x86, 0xF7,
                                                     0x0D, 0x01, 0x01, 0x01};
// Tags of the optional PrivateKeyInfo fields (RFC 5958), context class:
// [0] attributes, constructed; [1] publicKey, an implicit BIT STRING.
constexpr std::uint8_t kAttributes = 0xA0;
constexpr std::uint8_t kPublicKeyField = 0x81;
// SEC1 ECPrivateKey (RFC 5915) is the other private key form that begins
// with a version INTEGER; its version is 1, followed by an OCTET STRING.
constexpr std::uint8_t kEcPrivateKeyVersion = 1;

RsaKeyBlob Unreadable() {
    return RsaKeyBlob{};
}

RsaKeyBlob Result(Kind kind, const RsaKeyBlob::Numbers& numbers = {}) {
    return RsaKeyBlob{kind, numbers};
}

// The elements of one SEQUENCE that must make up the whole of `data`.
std::optional<DerReader> EnterWholeSequence(Span data) {
    DerReader outer(data);
    const auto body = outer.Read(DerReader::kSequence);
    if (!body || !outer.AtEnd()) {
        return std::nullopt;
    }
    return DerReader(*body);
}

enum class Algorithm { Rsa, Other, Unreadable };

// AlgorithmIdentifier; for RSA the parameters are NULL (RFC 8017 A.1),
// though some writers leave them out altogether.
Algorithm ReadAlgorithm(Span identifier) {
    DerReader reader(identifier);
    const auto oid = reader.Read(DerReader::kObjectId);
    if (!oid) {
        return Algorithm::Unreadable;
    }
    if (!std::ranges::equal(*oid, kRsaEncryption)) {
        return Algorithm::Other;
    }
    if (!reader.AtEnd()) {
        const auto parameters = reader.Read(DerReader::kNull);
        if (!parameters || !parameters->empty()) {
            return Algorithm::Unreadable;
        }
    }
    return reader.AtEnd() ? Algorithm::Rsa : Algorithm::Unreadable;
}

// RSAPublicKey ::= SEQUENCE { modulus, publicExponent }, given its elements.
RsaKeyBlob ReadRsaPublicKey(DerReader reader) {
    RsaKeyBlob::Numbers numbers;
    const auto n = reader.ReadPositiveInteger();
    const auto e = reader.ReadPositiveInteger();
    if (!n || !e || !reader.AtEnd()) {
        return Unreadable();
    }
    numbers.n = *n;
    numbers.e = *e;
    return Result(Kind::RsaPublic, numbers);
}

// RSAPrivateKey ::= SEQUENCE { version, n, e, d, p, q, dp, dq, qinv }, given
// its elements. Version 1 adds more primes; such keys are not accepted.
RsaKeyBlob ReadRsaPrivateKey(DerReader reader) {
    if (reader.ReadSmallInteger() != 0) {
        return Unreadable();
    }
    RsaKeyBlob::Numbers numbers;
    for (Span* field : {&numbers.n, &numbers.e, &numbers.d, &numbers.p, &numbers.q, &numbers.dp,
                        &numbers.dq, &numbers.qinv}) {
        const auto value = reader.ReadPositiveInteger();
        if (!value) {
            return Unreadable();
        }
        *field = *value;
    }
    if (!reader.AtEnd()) {
        return Unreadable();
    }
    return Result(Kind::RsaPrivate, numbers);
}

// PrivateKeyInfo ::= SEQUENCE { version, algorithm, privateKey OCTET STRING,
// [0] attributes OPTIONAL, [1] publicKey OPTIONAL (version 1 only) }.
RsaKeyBlob ReadPrivateKeyInfo(DerReader reader) {
    const auto version = reader.ReadSmallInteger();
    const auto algorithm = reader.Read(DerReader::kSequence);
    const auto privateKey = reader.Read(DerReader::kOctetString);
    if (!version || *version > 1 || !algorithm || !privateKey) {
        return Unreadable();
    }
    if (reader.PeekTag() == kAttributes && !reader.Read(kAttributes)) {
        return Unreadable();
    }
    std::optional<Span> publicKey;
    if (*version == 1 && reader.PeekTag() == kPublicKeyField) {
        publicKey = reader.Read(kPublicKeyField);
        if (!publicKey) {
            return Unreadable();
        }
    }
    if (!reader.AtEnd()) {
        return Unreadable();
    }
    switch (ReadAlgorithm(*algorithm)) {
        case Algorithm::Other:
            return Result(Kind::OtherPrivate);
        case Algorithm::Unreadable:
            return Unreadable();
        case Algorithm::Rsa:
            break;
    }
    const auto inner = EnterWholeSequence(*privateKey);
    if (!inner) {
        return Unreadable();
    }
    RsaKeyBlob key = ReadRsaPrivateKey(*inner);
    // The optional copy of the public key (an RSAPublicKey in a BIT STRING)
    // must be the key's own; a file whose two halves disagree was put
    // together wrongly, and which half is right cannot be told.
    if (publicKey && key.kind == Kind::RsaPrivate) {
        const auto copy = publicKey->empty() || (*publicKey)[0] != 0
                              ? std::nullopt
                              : EnterWholeSequence(publicKey->subspan(1));
        const RsaKeyBlob stated = copy ? ReadRsaPublicKey(*copy) : Unreadable();
        if (stated.kind != Kind::RsaPublic ||
            !std::ranges::equal(stated.numbers.n, key.numbers.n) ||
            !std::ranges::equal(stated.numbers.e, key.numbers.e)) {
            return Unreadable();
        }
    }
    return key;
}

// SubjectPublicKeyInfo ::= SEQUENCE { algorithm, subjectPublicKey BIT STRING }.
RsaKeyBlob ReadSubjectPublicKeyInfo(DerReader reader) {
    const auto algorithm = reader.Read(DerReader::kSequence);
    const auto bits = reader.Read(DerReader::kBitString);
    // The first content byte of a BIT STRING counts unused trailing bits; a
    // key is whole bytes, so it must be zero.
    if (!algorithm || !bits || bits->empty() || (*bits)[0] != 0 || !reader.AtEnd()) {
        return Unreadable();
    }
    switch (ReadAlgorithm(*algorithm)) {
        case Algorithm::Other:
            return Result(Kind::OtherPublic);
        case Algorithm::Unreadable:
            return Unreadable();
        case Algorithm::Rsa:
            break;
    }
    const auto inner = EnterWholeSequence(bits->subspan(1));
    return inner ? ReadRsaPublicKey(*inner) : Unreadable();
}

}  // namespace

RsaKeyBlob RsaKeyBlob::Parse(Span blob) {
    auto reader = EnterWholeSequence(blob);
    if (!reader) {
        return Unreadable();
    }
    if (reader->PeekTag() == DerReader::kSequence) {
        return ReadSubjectPublicKeyInfo(*reader);
    }
    // The other forms all open with an INTEGER; the element after it tells
    // them apart.
    DerReader probe = *reader;
    const auto first = probe.Read(DerReader::kInteger);
    if (!first) {
        return Unreadable();
    }
    switch (probe.PeekTag().value_or(0)) {
        case DerReader::kSequence:
            return ReadPrivateKeyInfo(*reader);
        case DerReader::kInteger: {
            // Two INTEGERs and nothing else is the public form; the private
            // one has nine.
            probe.Next();
            return probe.AtEnd() ? ReadRsaPublicKey(*reader) : ReadRsaPrivateKey(*reader);
        }
        case DerReader::kOctetString:
            if (reader->ReadSmallInteger() == kEcPrivateKeyVersion) {
                return Result(Kind::OtherPrivate);
            }
            return Unreadable();
        default:
            return Unreadable();
    }
}

}  // namespace zelvora
