#include "crypto/KeyRoles.h"

#include "base/ErrorCode.h"
#include "crypto/Ed25519Identity.h"
#include "crypto/Ed25519Recipient.h"
#include "crypto/Ed25519SenderKey.h"
#include "crypto/Ed25519Signer.h"
#include "crypto/RsaIdentity.h"
#include "crypto/RsaRecipient.h"
#include "crypto/RsaSenderKey.h"
#include "crypto/RsaSigner.h"
#include "keys/AnyKey.h"
#include "keys/Curve25519Map.h"

#include <type_traits>

namespace zelvora {
namespace {

template <class Role>
using Made = std::expected<std::unique_ptr<Role>, Error>;

// Only a signer and a sender key name their key by its fingerprint.
template <class Role, class Rsa>
Made<Role> MakeRsa(const RsaKey& key) {
    auto share = ShareRsaKey(key, std::is_same_v<Role, Signer> || std::is_same_v<Role, SenderKey>);
    if (!share) {
        return std::unexpected(share.error());
    }
    return WithoutExceptions(
        [&]() -> Made<Role> { return std::make_unique<Rsa>(std::move(*share)); });
}

template <class Role, class Ed25519>
Made<Role> MakeShared(const Ed25519Key& key) {
    auto share = ShareEd25519Key(key);
    if (!share) {
        return std::unexpected(share.error());
    }
    return WithoutExceptions(
        [&]() -> Made<Role> { return std::make_unique<Ed25519>(std::move(*share)); });
}

// The recipient and identity keep what X25519 needs of the key instead.
template <class Role, class Created>
Made<Role> AsRole(Created made) {
    if (!made) {
        return std::unexpected(made.error());
    }
    return std::unique_ptr<Role>(std::move(*made));
}

template <class Role, class Make>
Made<Role> ForKind(const AnyKey& key, Make make) {
    if (const RsaKey* rsa = key.Rsa()) {
        return make(*rsa);
    }
    return make(*key.Ed25519());
}

}  // namespace

Made<Recipient> MakeRecipient(const RsaKey& key) {
    return MakeRsa<Recipient, RsaRecipient>(key);
}
Made<Recipient> MakeRecipient(const Ed25519Key& key) {
    return AsRole<Recipient>(Ed25519Recipient::Create(key));
}
Made<Recipient> MakeRecipient(const AnyKey& key) {
    return ForKind<Recipient>(key, [](const auto& k) { return MakeRecipient(k); });
}

Made<Identity> MakeIdentity(const RsaKey& key) {
    return MakeRsa<Identity, RsaIdentity>(key);
}
Made<Identity> MakeIdentity(const Ed25519Key& key) {
    return AsRole<Identity>(Ed25519Identity::Create(key));
}
Made<Identity> MakeIdentity(const AnyKey& key) {
    return ForKind<Identity>(key, [](const auto& k) { return MakeIdentity(k); });
}

Made<Signer> MakeSigner(const RsaKey& key) {
    return MakeRsa<Signer, RsaSigner>(key);
}
Made<Signer> MakeSigner(const Ed25519Key& key) {
    return MakeShared<Signer, Ed25519Signer>(key);
}
Made<Signer> MakeSigner(const AnyKey& key) {
    return ForKind<Signer>(key, [](const auto& k) { return MakeSigner(k); });
}

Made<SenderKey> MakeSenderKey(const RsaKey& key) {
    return MakeRsa<SenderKey, RsaSenderKey>(key);
}
Made<SenderKey> MakeSenderKey(const Ed25519Key& key) {
    // A public key of small order, or with a part of small order, has no
    // private key behind it that signing would need: signatures that check
    // against it can be made by anyone for some messages (RFC 8032 does not
    // rule such keys out). The same checks as for a recipient, 57 µs.
    if (const auto form = Ed25519PublicToX25519(key.PublicKey()); !form) {
        return std::unexpected(form.error());
    }
    return MakeShared<SenderKey, Ed25519SenderKey>(key);
}
Made<SenderKey> MakeSenderKey(const AnyKey& key) {
    return ForKind<SenderKey>(key, [](const auto& k) { return MakeSenderKey(k); });
}

}  // namespace zelvora
