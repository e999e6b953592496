#include "keys/KeyBlobShape.h"

#include "keys/DerReader.h"

#include <algorithm>
#include <array>

namespace zelvora {
namespace {

using Form = KeyBlobShape::Form;
using Algorithm = KeyBlobShape::Algorithm;
using Span = KeyBlobShape::Span;

// rsaEncryption, 1.2.840.113549.1.1.1 (RFC 8017 A.1), and id-Ed25519,
// 1.3.101.112 (RFC 8410, section 3), as DER content bytes.
constexpr std::array<std::uint8_t, 9> kRsaEncryption{0x2A, 0x86, 0x48, 0x86, 0xF7,
                                                     0x0D, 0x01, 0x01, 0x01};
constexpr std::array<std::uint8_t, 3> kEd25519{0x2B, 0x65, 0x70};
constexpr std::size_t kEd25519KeyBytes = 32;
// Tags of the optional OneAsymmetricKey fields (RFC 5958), context class:
// [0] attributes, constructed; [1] publicKey, an implicit BIT STRING.
constexpr std::uint8_t kAttributes = 0xA0;
constexpr std::uint8_t kPublicKeyField = 0x81;
// SEC1 ECPrivateKey is the other private key form that opens with a
// version INTEGER; its version is 1, followed by an OCTET STRING.
constexpr std::uint8_t kEcPrivateKeyVersion = 1;
constexpr std::size_t kRsaPrivateKeyIntegers = 9;

KeyBlobShape Unreadable() {
    return KeyBlobShape{};
}

KeyBlobShape Shape(Form form, Algorithm algorithm, Span key = {}) {
    KeyBlobShape shape;
    shape.form = form;
    shape.algorithm = algorithm;
    shape.key = key;
    return shape;
}

// AlgorithmIdentifier. For RSA the parameters are NULL (RFC 8017 A.1),
// though some writers leave them out; for Ed25519 they must be absent
// (RFC 8410, section 3). Another algorithm is only named, not checked.
Algorithm ReadAlgorithm(Span identifier) {
    DerReader reader(identifier);
    const auto oid = reader.Read(DerReader::kObjectId);
    if (!oid) {
        return Algorithm::None;
    }
    if (std::ranges::equal(*oid, kEd25519)) {
        return reader.AtEnd() ? Algorithm::Ed25519 : Algorithm::None;
    }
    if (!std::ranges::equal(*oid, kRsaEncryption)) {
        return Algorithm::Other;
    }
    if (!reader.AtEnd()) {
        const auto parameters = reader.Read(DerReader::kNull);
        if (!parameters || !parameters->empty()) {
            return Algorithm::None;
        }
    }
    return reader.AtEnd() ? Algorithm::Rsa : Algorithm::None;
}

// The bits of a BIT STRING's content that holds whole bytes.
std::optional<Span> WholeBytes(Span bitString) {
    if (bitString.empty() || bitString[0] != 0) {
        return std::nullopt;
    }
    return bitString.subspan(1);
}

// The key inside a PKCS#8 or SPKI, held to the same strictness as the blob.
// An RSA key is a DER structure of its own; an Ed25519 private key is an
// OCTET STRING of 32 bytes (CurvePrivateKey), its public key the 32 bytes.
bool IsWrappedKeyStrict(Algorithm algorithm, Span key, bool isPrivate) {
    switch (algorithm) {
        case Algorithm::Rsa:
            return DerReader::IsOneStrictElement(key);
        case Algorithm::Ed25519: {
            if (!isPrivate) {
                return key.size() == kEd25519KeyBytes;
            }
            DerReader reader(key);
            const auto seed = reader.Read(DerReader::kOctetString);
            return seed && seed->size() == kEd25519KeyBytes && reader.AtEnd();
        }
        case Algorithm::Other:
            return true;
        case Algorithm::None:
            return false;
    }
    return false;
}

// RSAPrivateKey with version 0, two primes: exactly nine INTEGERs. Version
// 1 adds more primes; such keys are not accepted.
bool IsTwoPrimeRsaPrivateKey(Span key) {
    DerReader outer(key);
    const auto body = outer.Read(DerReader::kSequence);
    if (!body) {
        return false;
    }
    DerReader reader(*body);
    if (reader.ReadSmallInteger() != 0) {
        return false;
    }
    std::size_t count = 1;
    while (reader.Read(DerReader::kInteger)) {
        ++count;
    }
    return reader.AtEnd() && count == kRsaPrivateKeyIntegers;
}

// OneAsymmetricKey ::= SEQUENCE { version, algorithm, privateKey OCTET
// STRING, [0] attributes OPTIONAL, [1] publicKey OPTIONAL (version 2) }.
KeyBlobShape ReadPrivateKeyInfo(DerReader reader) {
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
        const auto field = reader.Read(kPublicKeyField);
        publicKey = field ? WholeBytes(*field) : std::nullopt;
        if (!publicKey) {
            return Unreadable();
        }
    }
    if (!reader.AtEnd()) {
        return Unreadable();
    }
    KeyBlobShape shape = Shape(Form::PrivateKeyInfo, ReadAlgorithm(*algorithm));
    if (!IsWrappedKeyStrict(shape.algorithm, *privateKey, true) ||
        (shape.algorithm == Algorithm::Rsa && !IsTwoPrimeRsaPrivateKey(*privateKey)) ||
        (publicKey && !IsWrappedKeyStrict(shape.algorithm, *publicKey, false))) {
        return Unreadable();
    }
    shape.key = *privateKey;
    shape.statedPublicKey = publicKey;
    return shape;
}

// SubjectPublicKeyInfo ::= SEQUENCE { algorithm, subjectPublicKey BIT
// STRING }, and EncryptedPrivateKeyInfo ::= SEQUENCE { encryptionAlgorithm,
// encryptedData OCTET STRING }: both open with an AlgorithmIdentifier.
KeyBlobShape ReadAlgorithmFirst(DerReader reader) {
    const auto algorithm = reader.Read(DerReader::kSequence);
    if (!algorithm) {
        return Unreadable();
    }
    if (const auto encrypted = reader.Read(DerReader::kOctetString)) {
        return reader.AtEnd() ? Shape(Form::EncryptedPrivateKeyInfo, Algorithm::None)
                              : Unreadable();
    }
    const auto bits = reader.Read(DerReader::kBitString);
    const auto key = bits ? WholeBytes(*bits) : std::nullopt;
    if (!key || !reader.AtEnd()) {
        return Unreadable();
    }
    KeyBlobShape shape = Shape(Form::SubjectPublicKeyInfo, ReadAlgorithm(*algorithm));
    shape.key = *key;
    return IsWrappedKeyStrict(shape.algorithm, *key, false) ? shape : Unreadable();
}

}  // namespace

KeyBlobShape KeyBlobShape::Read(Span blob) {
    if (!DerReader::IsOneStrictElement(blob)) {
        return Unreadable();
    }
    DerReader outer(blob);
    const auto body = outer.Read(DerReader::kSequence);
    if (!body) {
        return Unreadable();
    }
    DerReader reader(*body);
    if (reader.PeekTag() == DerReader::kSequence) {
        return ReadAlgorithmFirst(reader);
    }
    // The other forms all open with an INTEGER; the element after it tells
    // them apart.
    DerReader probe = reader;
    if (!probe.Read(DerReader::kInteger)) {
        return Unreadable();
    }
    switch (probe.PeekTag().value_or(0)) {
        case DerReader::kSequence:
            return ReadPrivateKeyInfo(reader);
        case DerReader::kInteger: {
            // Two INTEGERs and nothing else is the public form; the private
            // one has nine.
            probe.Next();
            if (probe.AtEnd()) {
                return Shape(Form::RsaPublicKey, Algorithm::Rsa, blob);
            }
            return IsTwoPrimeRsaPrivateKey(blob) ? Shape(Form::RsaPrivateKey, Algorithm::Rsa, blob)
                                                 : Unreadable();
        }
        case DerReader::kOctetString:
            return reader.ReadSmallInteger() == kEcPrivateKeyVersion
                       ? Shape(Form::OtherPrivate, Algorithm::Other)
                       : Unreadable();
        default:
            return Unreadable();
    }
}

}  // namespace zelvora
