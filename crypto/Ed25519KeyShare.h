#pragma once

#include "base/Error.h"
#include "keys/Fingerprint.h"

#include <expected>
#include <memory>

// OpenSSL's key type, named here only so the key can be held without its headers.
struct evp_pkey_st;

namespace zelvora {

class Ed25519Key;

// What the Ed25519 signer and sender key hold of an Ed25519Key: a reference
// of their own to OpenSSL's key, so they may outlive the Ed25519Key they
// were made from, and its fingerprint, worked out once.
struct Ed25519KeyShare {
    std::shared_ptr<evp_pkey_st> key;
    Fingerprint fingerprint{};
};

std::expected<Ed25519KeyShare, Error> ShareEd25519Key(const Ed25519Key& key);

}  // namespace zelvora
