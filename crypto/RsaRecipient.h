#pragma once

#include "crypto/Recipient.h"
#include "crypto/RsaKeyShare.h"

namespace zelvora {

// An RSA public key (or the public half of a private one) as a recipient:
// the message key under RSAES-OAEP with the version 3 label, as long as the
// modulus.
class RsaRecipient : public Recipient {
public:
    explicit RsaRecipient(RsaKeyShare key) : key_(std::move(key)) {}

    std::expected<Stanza, Error> Wrap(const MessageKey& messageKey) const override;
    bool SameKey(const Recipient& other) const override;

private:
    RsaKeyShare key_;
};

}  // namespace zelvora
