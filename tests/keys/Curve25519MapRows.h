#pragma once

// The committed known answers for the Ed25519 to X25519 map, made by
// tests/support/make_x25519_vectors.py and checked against python3-nacl.

namespace zelvora::test {

struct MapRow {
    // P: an Ed25519 public key, S: a seed.
    char kind;
    const char* input;
    // The X25519 value, empty when the key is refused.
    const char* expected;
    const char* note;
};

inline constexpr MapRow kMapRows[] = {
#include "tests/keys/Curve25519MapVectors.inc"
};

}  // namespace zelvora::test
