#!/usr/bin/env python3
"""Writes the known answers for the Ed25519 to X25519 map and the X25519
stanza, from python3-nacl (libsodium) and python3-cryptography.

Usage: make_x25519_vectors.py [--check]

Writes tests/keys/Curve25519MapVectors.inc and
tests/crypto/X25519StanzaVectors.inc; with --check, makes them anew and
fails if they differ from the committed files. Exits 77 (a skip to ctest)
when python3-nacl is missing. Every input is derived from fixed labels, so
a rerun gives the same files.
"""

import hashlib
import hmac
import os
import sys

try:
    from nacl import bindings as nacl
except ImportError:
    print("python3-nacl is not installed")
    sys.exit(77)
from cryptography.hazmat.primitives.keywrap import aes_key_wrap

P = 2**255 - 19
D = -121665 * pow(121666, P - 2, P) % P
L = 2**252 + 27742317777372353535851937790883648493
HERE = os.path.dirname(os.path.abspath(__file__))
HEADER = "// Made by tests/support/make_x25519_vectors.py; do not edit.\n"


def fixed(label, size=32):
    return hashlib.sha256(label.encode()).digest()[:size]


def encode(y, sign=0):
    return (y | sign << 255).to_bytes(32, "little")


# Edwards arithmetic only to make inputs; every expected value is nacl's.
def recover(y):
    x2 = (y * y - 1) * pow(D * y * y + 1, P - 2, P) % P
    x = pow(x2, (P + 3) // 8, P)
    if (x * x - x2) % P:
        x = x * pow(2, (P - 1) // 4, P) % P
    return x if (x * x - x2) % P == 0 else None


def add(a, b):
    t = D * a[0] * b[0] * a[1] * b[1] % P
    return ((a[0] * b[1] + b[0] * a[1]) * pow(1 + t, P - 2, P) % P,
            (a[1] * b[1] + a[0] * b[0]) * pow(1 - t, P - 2, P) % P)


def times(k, point):
    result = (0, 1)
    while k:
        if k & 1:
            result = add(result, point)
        point, k = add(point, point), k >> 1
    return result


def point_encoding(point):
    return encode(point[1], point[0] & 1)


def decode(encoding):
    y = int.from_bytes(encoding, "little") & (2**255 - 1)
    x = recover(y)
    return (P - x if (x & 1) != encoding[31] >> 7 else x, y)


def torsion():
    """The eight points of order dividing 8, in the order T, 2T, ... 8T."""
    y = 3
    while True:
        x = recover(y)
        t = times(L, (x, y)) if x is not None else (0, 1)
        if times(4, t) != (0, 1):
            return [times(i, t) for i in range(1, 9)]
        y += 1


def public_rows():
    rows = []
    for i in range(6):
        public, _ = nacl.crypto_sign_seed_keypair(fixed("seed %d" % i))
        rows.append((public, "a key pair's public key"))
        negated = bytes(public[:31]) + bytes([public[31] ^ 0x80])
        rows.append((negated, "the same key with the sign of x flipped"))
    for order, point in zip([8, 4, 8, 2, 8, 4, 8, 1], torsion()):
        rows.append((point_encoding(point), "small order: %d" % order))
    rows.append((encode(1, 1), "the neutral point with the sign bit set"))
    rows.append((encode(P - 1, 1), "order 2 with the sign bit set"))
    for k in range(19):
        for sign in (0, 1):
            rows.append((encode(P + k, sign), "non-canonical: y = p + %d" % k))
    rows.append((encode(2), "not on the curve: y = 2"))
    rows.append((encode(7, 1), "not on the curve: y = 7"))
    key = decode(nacl.crypto_sign_seed_keypair(fixed("seed 0"))[0])
    for i, point in enumerate(torsion()[:7]):
        rows.append((point_encoding(add(key, point)),
                     "outside the prime-order subgroup: a key plus %dT" % (i + 1)))
    result = []
    for public, note in rows:
        try:
            u = nacl.crypto_sign_ed25519_pk_to_curve25519(public).hex()
        except RuntimeError:
            u = ""
        result.append(("P", public.hex(), u, note))
    return result


def seed_rows():
    rows = []
    for i in list(range(6)) + ["zero", "ones"]:
        seed = {"zero": bytes(32), "ones": b"\xff" * 32}.get(i) or fixed("seed %s" % i)
        _, secret = nacl.crypto_sign_seed_keypair(seed)
        scalar = nacl.crypto_sign_ed25519_sk_to_curve25519(secret)
        rows.append(("S", seed.hex(), scalar.hex(), "seed %s" % i))
    return rows


def hkdf_sha256(salt, ikm, info):
    prk = hmac.new(salt, ikm, hashlib.sha256).digest()
    return hmac.new(prk, info + b"\x01", hashlib.sha256).digest()


def stanza_rows():
    rows = []
    for i in range(3):
        public, secret = nacl.crypto_sign_seed_keypair(fixed("recipient %d" % i))
        recipient = nacl.crypto_sign_ed25519_pk_to_curve25519(public)
        scalar = nacl.crypto_sign_ed25519_sk_to_curve25519(secret)
        ephemeral = fixed("ephemeral %d" % i)
        message_key = fixed("message key %d" % i)
        ephemeral_public = nacl.crypto_scalarmult_base(ephemeral)
        shared = nacl.crypto_scalarmult(ephemeral, recipient)
        wrapping = hkdf_sha256(ephemeral_public + recipient, shared, b"Zelvora v3 X25519")
        body = ephemeral_public + aes_key_wrap(wrapping, message_key)
        rows.append((scalar, recipient, ephemeral, message_key, body))
    return rows


def files():
    map_text = HEADER + "// Kind (P: Ed25519 public key, S: seed), input, the X25519 value\n"
    map_text += "// python3-nacl gives (empty when it refuses the key), what the row is.\n"
    for row in public_rows() + seed_rows():
        map_text += '{\'%s\', "%s", "%s", "%s"},\n' % row
    stanza_text = HEADER + "// Recipient's X25519 scalar and public key, ephemeral private key,\n"
    stanza_text += "// message key, stanza body.\n"
    for row in stanza_rows():
        stanza_text += "{" + ",\n ".join('"%s"' % value.hex() for value in row) + "},\n"
    return {
        os.path.normpath(os.path.join(HERE, "..", "keys", "Curve25519MapVectors.inc")): map_text,
        os.path.normpath(os.path.join(HERE, "..", "crypto", "X25519StanzaVectors.inc")): stanza_text,
    }


def main():
    check = sys.argv[1:] == ["--check"]
    failed = False
    for path, text in files().items():
        if not check:
            with open(path, "w") as out:
                out.write(text)
        elif open(path).read() != text:
            print("%s differs from what python3-nacl gives now" % path)
            failed = True
    sys.exit(1 if failed else 0)


if __name__ == "__main__":
    main()
