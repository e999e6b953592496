#pragma once

#include "base/Error.h"
#include "crypto/Identity.h"
#include "crypto/Recipient.h"
#include "crypto/SenderKey.h"
#include "crypto/Signer.h"

#include <expected>
#include <memory>

namespace zelvora {

class RsaKey;

// The roles a key plays in a version 3 message, made for the key's kind,
// so that callers hold a Recipient, an Identity, a Signer or a SenderKey
// and never need to know which kind of key is behind it. Each holds a
// reference of its own to the key and may outlive `key`.
std::expected<std::unique_ptr<Recipient>, Error> MakeRecipient(const RsaKey& key);
// `key` must hold a private key, as for the two below.
std::expected<std::unique_ptr<Identity>, Error> MakeIdentity(const RsaKey& key);
std::expected<std::unique_ptr<Signer>, Error> MakeSigner(const RsaKey& key);
std::expected<std::unique_ptr<SenderKey>, Error> MakeSenderKey(const RsaKey& key);

}  // namespace zelvora
