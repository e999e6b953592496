#pragma once

#include <cstdint>
#include <span>

namespace zelvora {

// What a key blob holds, read from its DER structure alone. Four forms carry
// an RSA key: PKCS#8 PrivateKeyInfo (RFC 5208) and PKCS#1 RSAPrivateKey
// (RFC 8017 A.1.2) for private keys, SubjectPublicKeyInfo (RFC 5280) and
// PKCS#1 RSAPublicKey (RFC 8017 A.1.1) for public ones. Keys of other kinds
// are recognised as far as needed to tell the user what the file holds.
struct RsaKeyBlob {
    using Span = std::span<const std::uint8_t>;

    enum class Kind {
        RsaPrivate,
        RsaPublic,
        OtherPrivate,  // a private key, but not for RSA
        OtherPublic,   // a public key, but not for RSA
        Unreadable,
    };

    // Magnitudes, big-endian without sign bytes, pointing into the parsed
    // blob. Only n and e are set for a public key.
    struct Numbers {
        Span n, e, d, p, q, dp, dq, qinv;
    };

    // The whole blob must be one element: trailing bytes make it unreadable.
    static RsaKeyBlob Parse(Span blob);

    Kind kind = Kind::Unreadable;
    Numbers numbers;
};

}  // namespace zelvora
