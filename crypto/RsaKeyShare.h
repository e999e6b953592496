#pragma once

#include "base/Error.h"
#include "keys/Fingerprint.h"

#include <cstddef>
#include <expected>
#include <memory>

// OpenSSL's key type, named here only so the key can be held without its headers.
struct evp_pkey_st;

namespace zelvora {

class RsaKey;

// What the RSA recipient, identity, signer and sender key hold of an RsaKey:
// a reference of their own to OpenSSL's key, so they may outlive the RsaKey
// they were made from, with its modulus length and, for the roles that name
// the key, its fingerprint worked out once (zeros for the others: it costs
// a DER encoding and a digest, a large share of encrypting a short message).
struct RsaKeyShare {
    std::shared_ptr<evp_pkey_st> key;
    std::size_t modulusBytes = 0;
    Fingerprint fingerprint{};
};

std::expected<RsaKeyShare, Error> ShareRsaKey(const RsaKey& key, bool withFingerprint);

}  // namespace zelvora
