#pragma once

#include "base/Error.h"
#include "crypto/Identity.h"
#include "crypto/Recipient.h"
#include "crypto/SenderKey.h"
#include "crypto/Signer.h"

#include <expected>
#include <memory>

namespace zelvora {

class AnyKey;
class Ed25519Key;
class RsaKey;

// The roles a key plays in a version 3 message, made for the key's kind,
// so that callers hold a Recipient, an Identity, a Signer or a SenderKey
// and never need to know which kind of key is behind it. Each holds what
// it needs of the key and may outlive `key`. An AnyKey is dispatched on
// its kind.
//
// An Ed25519 recipient whose key has no safe X25519 form is refused with
// PublicKeyMalformed.
std::expected<std::unique_ptr<Recipient>, Error> MakeRecipient(const RsaKey& key);
std::expected<std::unique_ptr<Recipient>, Error> MakeRecipient(const Ed25519Key& key);
std::expected<std::unique_ptr<Recipient>, Error> MakeRecipient(const AnyKey& key);
// `key` must hold a private key, as for the signer.
std::expected<std::unique_ptr<Identity>, Error> MakeIdentity(const RsaKey& key);
std::expected<std::unique_ptr<Identity>, Error> MakeIdentity(const Ed25519Key& key);
std::expected<std::unique_ptr<Identity>, Error> MakeIdentity(const AnyKey& key);
std::expected<std::unique_ptr<Signer>, Error> MakeSigner(const RsaKey& key);
std::expected<std::unique_ptr<Signer>, Error> MakeSigner(const Ed25519Key& key);
std::expected<std::unique_ptr<Signer>, Error> MakeSigner(const AnyKey& key);
std::expected<std::unique_ptr<SenderKey>, Error> MakeSenderKey(const RsaKey& key);
std::expected<std::unique_ptr<SenderKey>, Error> MakeSenderKey(const Ed25519Key& key);
std::expected<std::unique_ptr<SenderKey>, Error> MakeSenderKey(const AnyKey& key);

}  // namespace zelvora
