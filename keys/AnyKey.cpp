#include "keys/AnyKey.h"

#include "keys/KeyBlobShape.h"

namespace zelvora {
namespace {

template <class Key>
std::expected<AnyKey::Holder, Error> Held(std::expected<std::unique_ptr<Key>, Error> key) {
    if (!key) {
        return std::unexpected(key.error());
    }
    return AnyKey::Holder(std::move(*key));
}

bool IsEd25519(std::span<const std::uint8_t> blob) {
    return KeyBlobShape::Read(blob).algorithm == KeyBlobShape::Algorithm::Ed25519;
}

}  // namespace

std::expected<AnyKey, Error> AnyKey::FromPrivateKeyBlob(std::span<const std::uint8_t> blob) {
    auto key = IsEd25519(blob) ? Held(Ed25519Key::FromPrivateKeyBlob(blob))
                               : Held(RsaKey::FromPrivateKeyBlob(blob));
    if (!key) {
        return std::unexpected(key.error());
    }
    return AnyKey(std::move(*key));
}

std::expected<AnyKey, Error> AnyKey::FromPublicKeyBlob(std::span<const std::uint8_t> blob) {
    auto key = IsEd25519(blob) ? Held(Ed25519Key::FromPublicKeyBlob(blob))
                               : Held(RsaKey::FromPublicKeyBlob(blob));
    if (!key) {
        return std::unexpected(key.error());
    }
    return AnyKey(std::move(*key));
}

const RsaKey* AnyKey::Rsa() const {
    const auto* held = std::get_if<std::unique_ptr<RsaKey>>(&key_);
    return held != nullptr ? held->get() : nullptr;
}

const Ed25519Key* AnyKey::Ed25519() const {
    const auto* held = std::get_if<std::unique_ptr<Ed25519Key>>(&key_);
    return held != nullptr ? held->get() : nullptr;
}

}  // namespace zelvora
