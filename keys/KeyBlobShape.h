#pragma once

#include <cstdint>
#include <optional>
#include <span>

namespace zelvora {

// What a key blob holds, told from its outer DER structure alone, before any
// key is decoded: enough to pick the key's reader and to tell the user what the
// file holds when it is not what was asked for. The forms read are PKCS#8
// PrivateKeyInfo / OneAsymmetricKey (RFC 5958) and EncryptedPrivateKeyInfo,
// SubjectPublicKeyInfo (RFC 5280), PKCS#1 RSAPrivateKey and RSAPublicKey
// (RFC 8017 A.1), and SEC1 ECPrivateKey (RFC 5915) as far as naming it.
//
// It is also the strict gate that gives a key file one encoding: BER's
// long length forms, leading zeros in lengths, indefinite lengths and
// INTEGERs with a set top bit read as magnitudes are all refused, so the
// blob must be one DER element, strict throughout, with nothing after it;
// the key wrapped inside is held to the same rule.
struct KeyBlobShape {
    using Span = std::span<const std::uint8_t>;

    enum class Form {
        Unreadable,
        PrivateKeyInfo,           // PKCS#8, version 1 or 2
        EncryptedPrivateKeyInfo,  // PKCS#8 under a passphrase
        SubjectPublicKeyInfo,
        RsaPrivateKey,  // PKCS#1, two primes
        RsaPublicKey,   // PKCS#1
        OtherPrivate,   // another private key form (SEC1)
    };
    enum class Algorithm { None, Rsa, Ed25519, Other };

    static KeyBlobShape Read(Span blob);

    bool IsPrivate() const {
        return form == Form::PrivateKeyInfo || form == Form::EncryptedPrivateKeyInfo ||
               form == Form::RsaPrivateKey || form == Form::OtherPrivate;
    }

    Form form = Form::Unreadable;
    // Named by the blob's AlgorithmIdentifier; Rsa for the PKCS#1 forms.
    Algorithm algorithm = Algorithm::None;
    // The key itself: inside PKCS#8 the privateKey OCTET STRING's content
    // (an RSAPrivateKey, or an Ed25519 CurvePrivateKey), inside
    // SubjectPublicKeyInfo the BIT STRING's bytes, and for the PKCS#1 forms
    // the whole blob.
    Span key;
    // PKCS#8 version 2 only: the public key the file states beside the
    // private one (the [1] field's bytes), to be checked against the key.
    std::optional<Span> statedPublicKey;
};

}  // namespace zelvora
