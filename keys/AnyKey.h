#pragma once

#include "base/Error.h"
#include "keys/Ed25519Key.h"
#include "keys/KeyKind.h"
#include "keys/RsaKey.h"

#include <cstdint>
#include <expected>
#include <memory>
#include <span>
#include <variant>

namespace zelvora {

// A key of any kind Zelvora reads, decoded by the class of its kind.
class AnyKey {
public:
    using Holder = std::variant<std::unique_ptr<RsaKey>, std::unique_ptr<Ed25519Key>>;

    // The blob's own structure tells the kind, so callers need not try each
    // class. A blob that is no key of a known kind is refused as RsaKey
    // refuses it, with the slot's numbers.
    static std::expected<AnyKey, Error> FromPrivateKeyBlob(std::span<const std::uint8_t> blob);
    static std::expected<AnyKey, Error> FromPublicKeyBlob(std::span<const std::uint8_t> blob);

    KeyKind Kind() const {
        return std::holds_alternative<std::unique_ptr<RsaKey>>(key_) ? KeyKind::Rsa
                                                                     : KeyKind::Ed25519;
    }
    // The key as its class, or null when it is of the other kind.
    const RsaKey* Rsa() const;
    const Ed25519Key* Ed25519() const;

private:
    explicit AnyKey(Holder key) : key_(std::move(key)) {}

    Holder key_;
};

}  // namespace zelvora
