#pragma once

#include "base/Error.h"

#include <cstdint>
#include <expected>
#include <memory>
#include <optional>
#include <span>

namespace zelvora {

class AnyKey;

// Holds the two keys one operation needs: the user's own private key (for
// decrypting) and the recipient's public key (for encrypting), each RSA or
// Ed25519, and not necessarily of one kind. They normally belong to two
// different key pairs, so they are not checked against each other. Either
// may be absent: std::nullopt means "no key in that slot".
class RsaMethod {
public:
    static std::expected<std::shared_ptr<RsaMethod>, Error> Create();
    ~RsaMethod();
    RsaMethod(const RsaMethod&) = delete;
    RsaMethod& operator=(const RsaMethod&) = delete;

    using Blob = std::optional<std::span<const std::uint8_t>>;
    // DER PKCS#8 PrivateKeyInfo (RSA, or Ed25519 as RFC 8410 has it), or
    // DER PKCS#1 RSAPrivateKey.
    std::expected<void, Error> SetPrivateKeyBlob(Blob blob);
    // DER SubjectPublicKeyInfo (RSA or Ed25519), or DER PKCS#1 RSAPublicKey.
    std::expected<void, Error> SetPublicKeyBlob(Blob blob);

    const AnyKey* PrivateKey() const { return private_.get(); }
    const AnyKey* PublicKey() const { return public_.get(); }

private:
    RsaMethod() = default;
    std::unique_ptr<AnyKey> private_;
    std::unique_ptr<AnyKey> public_;
};

}  // namespace zelvora
