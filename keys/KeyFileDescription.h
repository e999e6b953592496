#pragma once

#include "base/Error.h"
#include "keys/Fingerprint.h"
#include "keys/KeyFile.h"
#include "keys/KeyKind.h"

#include <expected>
#include <string>

namespace zelvora {

// What a key file holds, told without the key itself: enough for the user to
// see which key a path names and to compare it with its owner's.
struct KeyFileDescription {
    KeyKind keyKind = KeyKind::Rsa;
    // The size of an RSA modulus; an Ed25519 key has one size only, and 0
    // here, so it is named by its kind instead.
    int bits = 0;
    KeyFileKind kind = KeyFileKind::Public;
    Fingerprint fingerprint{};
};

// Reads the key file at `path` by the rules of ReadKeyFile (so a private key
// file others may read is refused here too) and checks the key as Encrypt
// and Decrypt would for the slot `kind`, of any kind of key read. An empty path is a missing file.
// The private key is wiped before this returns.
std::expected<KeyFileDescription, Error> DescribeKeyFile(const std::string& path, KeyFileKind kind);

}  // namespace zelvora
