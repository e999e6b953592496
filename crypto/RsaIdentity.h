#pragma once

#include "crypto/Identity.h"
#include "crypto/RsaKeyShare.h"

namespace zelvora {

// An RSA private key as an identity: it tries, in order, the RSA stanzas
// whose body is as long as its modulus.
class RsaIdentity : public Identity {
public:
    explicit RsaIdentity(RsaKeyShare key) : key_(std::move(key)) {}

    std::expected<void, Error> Unwrap(std::span<const Stanza> stanzas,
                                      MessageKey& messageKey) const override;

private:
    RsaKeyShare key_;
};

}  // namespace zelvora
