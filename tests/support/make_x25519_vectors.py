#!/usr/bin/env python3
"""Writes the known answers for the Ed25519 to X25519 map
(tests/keys/Curve25519MapVectors.inc) and the X25519 stanza
(tests/crypto/X25519StanzaVectors.inc) with python3-nacl (libsodium) and
python3-cryptography. With --check, makes them anew and fails if they differ
from the committed files; exits 77 (a skip to ctest) without python3-nacl.
Inputs come from fixed labels, so every run gives the same files.
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
NEUTRAL = (1).to_bytes(32, "little")
# The eight points of small order, as libsodium's blocklist has them.
SMALL_ORDER = [bytes.fromhex(h) for h in [
    "0100000000000000000000000000000000000000000000000000000000000000",
    "ecffffffffffffffffffffffffffffffffffffffffffffffffffffffffffff7f",
    "0000000000000000000000000000000000000000000000000000000000000000",
    "0000000000000000000000000000000000000000000000000000000000000080",
    "c7176a703d4dd84fba3c0b760d10670f2a2053fa2c39ccc64ec7fd7792ac037a",
    "c7176a703d4dd84fba3c0b760d10670f2a2053fa2c39ccc64ec7fd7792ac03fa",
    "26e8958fc2b227b045c3f489f2ef98f0d5dfac05d3c63339b13802886d53fc05",
    "26e8958fc2b227b045c3f489f2ef98f0d5dfac05d3c63339b13802886d53fc85",
]]


def fixed(label):
    return hashlib.sha256(label.encode()).digest()


def encode(y, sign=0):
    return (y | sign << 255).to_bytes(32, "little")


def times8(point):
    for _ in range(3):
        point = nacl.crypto_core_ed25519_add(point, point)
    return point


def map_rows():
    inputs = []
    for i in range(6):
        public, _ = nacl.crypto_sign_seed_keypair(fixed("seed %d" % i))
        inputs += [(public, "a key pair's public key"),
                   (public[:31] + bytes([public[31] ^ 0x80]), "the same, sign of x flipped")]
    for point in SMALL_ORDER:
        assert times8(point) == NEUTRAL
        inputs.append((point, "small order"))
        if point != NEUTRAL:
            inputs.append((nacl.crypto_core_ed25519_add(inputs[0][0], point),
                           "a key plus a point of small order"))
    inputs += [(encode(1, 1), "the neutral point, sign bit set"),
               (encode(P - 1, 1), "order 2, sign bit set")]
    inputs += [(encode(P + k, sign), "non-canonical: y = p + %d" % k)
               for k in range(19) for sign in (0, 1)]
    for y, sign in [(2, 0), (7, 1)]:
        assert pow((y * y - 1) * pow(D * y * y + 1, P - 2, P), (P - 1) // 2, P) == P - 1
        inputs.append((encode(y, sign), "no point has y = %d" % y))
    rows = []
    for public, note in inputs:
        try:
            u = nacl.crypto_sign_ed25519_pk_to_curve25519(public).hex()
        except RuntimeError:
            u = ""
        rows.append(("P", public.hex(), u, note))
    for seed in [fixed("seed %d" % i) for i in range(6)] + [bytes(32), b"\xff" * 32]:
        secret = nacl.crypto_sign_seed_keypair(seed)[1]
        rows.append(("S", seed.hex(), nacl.crypto_sign_ed25519_sk_to_curve25519(secret).hex(),
                     "a seed"))
    return rows


def stanza_rows():
    rows = []
    for i in range(3):
        public, secret = nacl.crypto_sign_seed_keypair(fixed("recipient %d" % i))
        recipient = nacl.crypto_sign_ed25519_pk_to_curve25519(public)
        ephemeral, message_key = fixed("ephemeral %d" % i), fixed("message key %d" % i)
        ephemeral_public = nacl.crypto_scalarmult_base(ephemeral)
        shared = nacl.crypto_scalarmult(ephemeral, recipient)
        # HKDF-SHA-256 (RFC 5869) for one block of output.
        prk = hmac.new(ephemeral_public + recipient, shared, hashlib.sha256).digest()
        wrapping = hmac.new(prk, b"Zelvora v3 X25519\x01", hashlib.sha256).digest()
        body = ephemeral_public + aes_key_wrap(wrapping, message_key)
        rows.append((nacl.crypto_sign_ed25519_sk_to_curve25519(secret), recipient, ephemeral,
                     message_key, body))
    return rows


def files():
    header = "// Made by tests/support/make_x25519_vectors.py; do not edit.\n"
    map_text = header + ("// Kind (P: Ed25519 public key, S: seed), input, the X25519 value\n"
                         "// python3-nacl gives (empty when it refuses the key), what it is.\n")
    map_text += "".join('{\'%s\', "%s", "%s", "%s"},\n' % row for row in map_rows())
    stanza_text = header + ("// Recipient's X25519 scalar and public key, ephemeral private\n"
                            "// key, message key, stanza body.\n")
    for row in stanza_rows():
        stanza_text += "{" + ",\n ".join('"%s"' % value.hex() for value in row) + "},\n"
    here = os.path.dirname(os.path.abspath(__file__))
    return {os.path.normpath(os.path.join(here, "..", "keys", "Curve25519MapVectors.inc")): map_text,
            os.path.normpath(os.path.join(here, "..", "crypto", "X25519StanzaVectors.inc")):
                stanza_text}


failed = False
for path, text in files().items():
    if sys.argv[1:] != ["--check"]:
        with open(path, "w") as out:
            out.write(text)
    elif open(path).read() != text:
        print("%s differs from what python3-nacl gives now" % path)
        failed = True
sys.exit(1 if failed else 0)
