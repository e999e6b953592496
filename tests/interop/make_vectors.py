#!/usr/bin/env python3
"""Writes the known-answer vectors in tests/vectors/ (see its README.md).

Usage: make_vectors.py [FOLDER]

Keys are made once and kept in keys.txt; the version-3 randomness is fixed
(derived from each vector's name), but RSA-OAEP and RSA-PSS draw their own,
so vectors with RSA stanzas or RSA signatures come out different at every
run. The committed files are the reference, so a vector already written is
left alone: delete its file to make it again.
"""

import hashlib
import os
import re
import sys

from cryptography.hazmat.primitives import serialization
from cryptography.hazmat.primitives.asymmetric import ed25519, rsa
from cryptography.hazmat.primitives.ciphers.aead import AESGCM

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import format_v1  # noqa: E402
import format_v2  # noqa: E402
import format_v3  # noqa: E402
from vectors import message_of, read_keys, read_vectors, symbols  # noqa: E402

HERE = os.path.dirname(os.path.abspath(__file__))
FOLDER = sys.argv[1] if len(sys.argv) > 1 else os.path.join(HERE, "..", "vectors")
KEY_NAMES = ["rsa-a", "rsa-b", "rsa-c", "ed-a", "ed-b"]
SEALED = format_v3.SEALED_CHUNK
TEXT = "Meet me at the north gate at noon. — Ø".encode()


def fixed(name, what, size):
    return hashlib.sha256(("%s %s" % (name, what)).encode()).digest()[:size]


def make_keys():
    path = os.path.join(FOLDER, "keys.txt")
    if os.path.exists(path):
        return read_keys(FOLDER)
    lines = ["# Fixed keys for the vectors: RSA 2048-bit and Ed25519, made once."]
    for name in KEY_NAMES:
        key = (rsa.generate_private_key(65537, 2048) if name.startswith("rsa")
               else ed25519.Ed25519PrivateKey.generate())
        private = key.private_bytes(serialization.Encoding.DER,
                                    serialization.PrivateFormat.PKCS8,
                                    serialization.NoEncryption())
        public = key.public_key().public_bytes(
            serialization.Encoding.DER, serialization.PublicFormat.SubjectPublicKeyInfo)
        lines += ["", "%s.private: %s" % (name, private.hex().upper()),
                  "%s.public: %s" % (name, public.hex().upper()),
                  "%s.fingerprint: %s" % (name, hashlib.sha256(public).hexdigest().upper())]
    with open(path, "w") as f:
        f.write("\n".join(lines) + "\n")
    return read_keys(FOLDER)


def write(name, fields, ciphertext, expects):
    """Leaves a vector already written alone: the committed ones are the reference."""
    if os.path.exists(os.path.join(FOLDER, name + ".vec")):
        return
    hexed = ciphertext.hex().upper()
    lines = ["%s: %s" % field for field in fields]
    lines += ["ciphertext: " + hexed[i:i + 128] for i in range(0, len(hexed), 128)]
    lines += ["expect: " + e for e in expects]
    with open(os.path.join(FOLDER, name + ".vec"), "w") as f:
        f.write("\n".join(lines) + "\n")


def v1_v2(keys):
    pub = {n: k["public"] for n, k in keys.items()}
    prv = {n: k["private"] for n, k in keys.items()}
    fpr = {n: k["fingerprint"].hex().upper() for n, k in keys.items()}

    def aes_key(ciphertext, reader):
        key = format_v1.load_private_key(prv[reader])
        return key.decrypt(ciphertext[1:257], format_v1._oaep())

    ct = format_v1.encrypt(pub["rsa-a"], TEXT)
    write("v1-rsa", [("format", "1"), ("description", "version 1 to one RSA key"),
                     ("recipient", "rsa-a"), ("message", TEXT.hex().upper()),
                     ("message-key", aes_key(ct, "rsa-a").hex().upper())],
          ct, ["rsa-a - unsigned", "rsa-a rsa-b unsigned", "rsa-b - refused"])
    ct = format_v2.encrypt(pub["rsa-b"], prv["rsa-a"], TEXT)
    write("v2-rsa", [("format", "2"), ("description", "version 2, rsa-a signs to rsa-b"),
                     ("recipient", "rsa-b"), ("signer", "rsa-a"),
                     ("message", TEXT.hex().upper()),
                     ("message-key", aes_key(ct, "rsa-b").hex().upper())],
          ct, ["rsa-b rsa-a verified " + fpr["rsa-a"], "rsa-b - no-sender-key " + fpr["rsa-a"],
               "rsa-b rsa-c other-signer " + fpr["rsa-a"], "rsa-a rsa-a refused"])
    # rsa-b passes rsa-a's signed content on to rsa-c: the signature names rsa-b.
    ct = format_v2.seal(pub["rsa-c"], format_v2.open_content(prv["rsa-b"], ct))
    write("v2-forwarded", [("format", "2"),
                           ("description", "v2-rsa's content sealed again to rsa-c"),
                           ("recipient", "rsa-c"), ("signer", "rsa-a"),
                           ("message", TEXT.hex().upper()),
                           ("message-key", aes_key(ct, "rsa-c").hex().upper())],
          ct, ["rsa-c rsa-a bad-signature " + fpr["rsa-a"]])


# name, description, message rule, recipients, signer, expectations
# (READER SENDER RESULT, with {a} standing for the signer's fingerprint).
V3 = [
    ("v3-rsa-unsigned", "unsigned, one RSA recipient", ("text",), ["rsa-a"], None,
     ["rsa-a - unsigned", "rsa-a rsa-b unsigned", "rsa-b - refused", "ed-a - refused"]),
    ("v3-rsa-signed-two", "rsa-a signs to rsa-b, with a copy for itself",
     ("text",), ["rsa-b", "rsa-a"], "rsa-a",
     ["rsa-b rsa-a verified {a}", "rsa-a rsa-a verified {a}", "rsa-b - no-sender-key {a}",
      "rsa-b rsa-c other-signer {a}", "rsa-b ed-a other-signer {a}", "rsa-c rsa-a refused"]),
    ("v3-rsa-chunks", "3 x 65536 + 5 bytes: three full chunks and a last one of 6",
     ("repeat", "7A656C766F7261", 3 * 65536 + 5), ["rsa-a"], None,
     ["rsa-a - unsigned"]),
    ("v3-ed25519-signed", "ed-a signs to ed-b", ("text",), ["ed-b"], "ed-a",
     ["ed-b ed-a verified {a}", "ed-b - no-sender-key {a}", "ed-b rsa-a other-signer {a}",
      "ed-a ed-a refused", "rsa-a - refused"]),
    ("v3-mixed", "rsa-a signs to rsa-b and ed-b", ("text",), ["rsa-b", "ed-b"], "rsa-a",
     ["ed-b rsa-a verified {a}", "rsa-b rsa-a verified {a}", "ed-a rsa-a refused",
      "rsa-a rsa-a refused"]),
    ("v3-empty", "the empty message, unsigned, to ed-b", ("empty",), ["ed-b"], None,
     ["ed-b - unsigned", "ed-b ed-a unsigned", "ed-a - refused"]),
    ("v3-full-last-chunk", "65535 bytes unsigned: the last chunk is a full one",
     ("repeat", "00", 65535), ["ed-b"], None, ["ed-b - unsigned"]),
    ("v3-trailer-split", "ed-a signs 65471 bytes: its signature spans chunks 0 and 1",
     ("repeat", "7A656C766F7261", 65471), ["ed-b"], "ed-a", ["ed-b ed-a verified {a}"]),
    ("v3-unknown-stanza", "a stanza of type 7F before ed-b's is passed over",
     ("text",), [(0x7F, bytes.fromhex("0102030405")), "ed-b", (0x00, b"")], None,
     ["ed-b - unsigned"]),
]


def v3(keys):
    fpr = {n: k["fingerprint"].hex().upper() for n, k in keys.items()}
    plaintexts = {}
    for name, description, rule, recipients, signer, expects in V3:
        fields = [("format", "3"), ("description", description)]
        for r in recipients:
            fields.append(("stanza", "%02X %s" % (r[0], r[1].hex().upper()))
                          if isinstance(r, tuple) else ("recipient", r))
        if signer:
            fields.append(("signer", signer))
        if rule[0] == "repeat":
            fields.append(("message-repeat", "%s %d" % (rule[1], rule[2])))
            message = message_of({k: [v] for k, v in fields})
        else:
            message = TEXT if rule[0] == "text" else b""
            fields.append(("message", message.hex().upper()))
        key, salt = fixed(name, "message key", 32), fixed(name, "payload salt", 16)
        ephemerals = [fixed(name, "ephemeral %d" % i, 32)
                      for i, r in enumerate(recipients) if r in ("ed-a", "ed-b")]
        fields += [("message-key", key.hex().upper()), ("payload-salt", salt.hex().upper())]
        fields += [("ephemeral", e.hex().upper()) for e in ephemerals]
        stanzas = [r if isinstance(r, tuple) else keys[r]["public"] for r in recipients]
        header = format_v3.make_header(stanzas, key, ephemerals)
        plaintexts[name] = format_v3.make_plaintext(
            header, message, keys[signer]["private"] if signer else None)
        ct = header + format_v3.seal_payload(key, salt, plaintexts[name])
        write(name, fields, ct, [e.format(a=fpr.get(signer)) for e in expects])
    # A recipient passes a signed plaintext on under a header of its own: the
    # signature covers the first header, so the reader finds it bad.
    for name, source, to in [("v3-forwarded-rsa", "v3-rsa-signed-two", "rsa-c"),
                             ("v3-forwarded-ed25519", "v3-ed25519-signed", "rsa-c")]:
        signer = dict((v[0], v[4]) for v in V3)[source]
        key, salt = fixed(name, "message key", 32), fixed(name, "payload salt", 16)
        header = format_v3.make_header([keys[to]["public"]], key)
        ct = header + format_v3.seal_payload(key, salt, plaintexts[source])
        write(name, [("format", "3"), ("description", source + "'s plaintext sealed to " + to),
                     ("recipient", to), ("signer", signer), ("message", TEXT.hex().upper()),
                     ("message-key", key.hex().upper()), ("payload-salt", salt.hex().upper())],
              ct, ["%s %s bad-signature %s" % (to, signer, fpr[signer]),
                   "%s - no-sender-key %s" % (to, fpr[signer])])


def chunks(name, key, plaintexts_and_flags):
    """The salt and chunks sealed as given, right or wrong."""
    salt = fixed(name, "payload salt", 16)
    aead = AESGCM(format_v3.hkdf(salt, key, format_v3.PAYLOAD_INFO))
    return salt + b"".join(aead.encrypt(format_v3._nonce(i, last), piece, None)
                           for i, (piece, last) in enumerate(plaintexts_and_flags))


def crafted(keys):
    """Ciphertexts no honest writer makes, each testing one rule of reading.
    All go to ed-b (some also to rsa-a), so X25519 stanzas use fixed keys."""
    ed_b, rsa_a = keys["ed-b"]["public"], keys["rsa-a"]["public"]
    fpr = keys["ed-a"]["fingerprint"]

    def x25519(name, key, i=0):
        return (format_v3.TYPE_X25519,
                format_v3.x25519_body(ed_b, key, fixed(name, "ephemeral %d" % i, 32)))

    def oaep(plain):
        return (format_v3.TYPE_RSA,
                format_v3.load_public_key(rsa_a).encrypt(plain, format_v3._oaep()))

    cases = [  # name, description, stanzas (from the message key), plaintext pieces, expect
        ("empty-last-chunk", "a full chunk not marked last, then an empty last chunk",
         lambda n, k: [x25519(n, k)], [(b"\0" + bytes(65535), False), (b"", True)],
         "ed-b - refused"),
        ("last-not-marked", "one chunk, sealed without the last flag",
         lambda n, k: [x25519(n, k)], [(b"\0" + TEXT, False)], "ed-b - refused"),
        ("64-stanzas", "63 unknown empty stanzas, then ed-b's: the most allowed",
         lambda n, k: [(0x7F, b"")] * 63 + [x25519(n, k)], [(b"\0" + TEXT, True)],
         "ed-b - unsigned"),
        ("65-stanzas", "64 unknown empty stanzas, then ed-b's: one too many",
         lambda n, k: [(0x7F, b"")] * 64 + [x25519(n, k)], [(b"\0" + TEXT, True)],
         "ed-b - refused"),
        ("x25519-length-73", "an X25519 stanza of 73 bytes before ed-b's",
         lambda n, k: [(2, bytes(73)), x25519(n, k)], [(b"\0" + TEXT, True)], "ed-b - refused"),
        ("rsa-length-255", "an RSA stanza of 255 bytes before ed-b's",
         lambda n, k: [(1, bytes(255)), x25519(n, k)], [(b"\0" + TEXT, True)], "ed-b - refused"),
        ("rsa-33-byte-key", "rsa-a's first stanza unwraps to 33 bytes, its second to the key",
         lambda n, k: [oaep(fixed(n, "other key", 32) + b"\0"), oaep(k)],
         [(b"\0" + TEXT, True)], "rsa-a - unsigned"),
        ("first-candidate-only", "ed-b's first stanza holds another key, its second the key",
         lambda n, k: [x25519(n, fixed(n, "other key", 32), 1), x25519(n, k)],
         [(b"\0" + TEXT, True)], "ed-b - refused"),
        ("zero-ephemeral", "an X25519 stanza whose ephemeral key makes an all-zero secret",
         lambda n, k: [(2, bytes(72)), x25519(n, k)], [(b"\0" + TEXT, True)],
         "ed-b - unsigned"),
        ("preamble-03", "a preamble whose first byte is 03",
         lambda n, k: [x25519(n, k)], [(b"\3" + TEXT, True)], "ed-b - refused"),
        ("rsa-signature-length-255", "an RSA preamble whose length field is 255",
         lambda n, k: [x25519(n, k)],
         [(b"\1" + fpr + (255).to_bytes(2, "big") + bytes(255) + TEXT, True)], "ed-b - refused"),
        ("short-trailer", "an Ed25519 preamble and only 63 bytes after it",
         lambda n, k: [x25519(n, k)], [(b"\2" + fpr + bytes(63), True)], "ed-b - refused"),
    ]
    for short, description, stanzas, pieces, expect in cases:
        name = "v3-crafted-" + short
        key = fixed(name, "message key", 32)
        ct = format_v3.header_of(stanzas(name, key), key) + chunks(name, key, pieces)
        recipients = ["rsa-a"] if "rsa-a" in expect else ["ed-b"]
        message = pieces[0][0][1:] if pieces[0][0][:1] == b"\0" else TEXT
        write(name, [("format", "3"), ("description", description)]
              + [("recipient", r) for r in recipients]
              + [("message-repeat", "00 65535") if message == bytes(65535) else
                 ("message", message.hex().upper()), ("message-key", key.hex().upper()),
                 ("payload-salt", fixed(name, "payload salt", 16).hex().upper())],
              ct, [expect])


def v3_rows(table, ciphertext):
    """Every field changed, cuts at and between chunk boundaries, chunks
    swapped and dropped, stanzas removed and swapped, the header extended."""
    stanzas, _ = format_v3.parse_header(ciphertext)
    m = len(stanzas)
    rows = [("version-%02x" % v, "set 0 %02X" % v) for v in (0, 1, 2, 4, 0xFF)]
    rows += [("count-%d" % c, "set 1 %02X" % c) for c in sorted({0, m - 1, m + 1, 65, 255})
             if c != m]
    for j, (_, kind, body) in enumerate(stanzas):
        b = len(body)
        rows += [("stanza%d-type-%02x" % (j, t), "set stanza%d %02X" % (j, t))
                 for t in (1, 2, 3) if t != kind]
        rows += [("stanza%d-length-%d" % (j, n), "set stanza%d+1 %04X" % (j, n))
                 for n in (b - 1, b + 1, 0) if 0 <= n != b]
        rows += [("stanza%d-body-%d" % (j, at), "flip body%d+%d" % (j, at))
                 for at in sorted({0, b - 1} | ({31, 32} if kind == 2 else set())) if 0 <= at < b]
        rows.append(("stanza%d-removed" % j, "set 1 %02X; remove stanza%d %d" % (m - 1, j, 3 + b)))
    if m > 1 and len(stanzas[0][2]) == len(stanzas[1][2]):
        rows.append(("stanzas-swapped", "swap stanza0 stanza1 %d" % (3 + len(stanzas[0][2]))))
    rows += [("header-extended-stanza", "set 1 %02X; insert mac 7F0000" % (m + 1)),
             ("header-extended-byte", "insert mac 00"),
             ("mac-first", "flip mac"), ("mac-last", "flip mac+31"),
             ("salt-first", "flip salt"), ("salt-last", "flip salt+15"),
             ("cut-empty", "truncate 0"), ("cut-version", "truncate 1"),
             ("cut-in-stanza", "truncate body0"), ("cut-before-mac", "truncate mac"),
             ("cut-before-salt", "truncate salt"), ("cut-no-payload", "truncate payload"),
             ("cut-16-byte-piece", "truncate payload+16"), ("cut-last-byte", "truncate end-1"),
             ("cut-tag", "truncate end-16"),
             ("appended-byte", "insert end 00"), ("appended-16", "insert end " + "00" * 16),
             ("appended-17", "insert end " + "00" * 17)]
    chunks = [k for k in table if re.fullmatch(r"chunk\d+", k)]
    for i in range(len(chunks)):
        size = table["tag%d" % i] - table["chunk%d" % i]
        rows += [("chunk%d-first" % i, "flip chunk%d" % i),
                 ("chunk%d-tag-first" % i, "flip tag%d" % i),
                 ("chunk%d-tag-last" % i, "flip tag%d+15" % i)]
        if size > 1:
            rows.append(("chunk%d-last" % i, "flip tag%d-1" % i))
        if i:
            rows += [("cut-at-chunk%d" % i, "truncate chunk%d" % i),
                     ("cut-chunk%d-1" % i, "truncate chunk%d-1" % i),
                     ("cut-chunk%d+1" % i, "truncate chunk%d+1" % i),
                     ("cut-chunk%d+17" % i, "truncate chunk%d+17" % i),
                     ("chunk%d-dropped" % (i - 1), "remove chunk%d %d" % (i - 1, SEALED))]
            if table["chunk%d" % i] + SEALED <= len(ciphertext):
                rows.append(("chunks%d-%d-swapped" % (i - 1, i),
                             "swap chunk%d chunk%d %d" % (i - 1, i, SEALED)))
    return rows


def v1_v2_rows():
    return [("version-00", "set 0 00"), ("version-03", "set 0 03"),
            ("version-other", "flip 0"), ("wrapped-first", "flip 1"),
            ("wrapped-last", "flip nonce-1"), ("nonce", "flip nonce"),
            ("content-first", "flip content"), ("tag-first", "flip tag"),
            ("tag-last", "flip end-1"), ("cut-last-byte", "truncate end-1"),
            ("cut-below-minimum", "truncate content+15"), ("cut-empty", "truncate 0"),
            ("appended-byte", "insert end 00"), ("content-byte-removed", "remove content 1")]


def mutations():
    lines = ["# VECTOR | NAME | OPERATIONS | RESULT (see README.md)"]
    for name, fields in read_vectors(FOLDER).items():
        ciphertext = fields["ciphertext"]
        if "crafted" in name:
            continue
        if fields["format"][0] == "3":
            table = symbols(ciphertext, 0)
            rows = v3_rows(table, ciphertext)
        else:
            rows = v1_v2_rows()
        lines.append("")
        lines += ["%s | %s | %s | refused" % (name, n, o) for n, o in rows]
    with open(os.path.join(FOLDER, "mutations.txt"), "w") as f:
        f.write("\n".join(lines) + "\n")


def main():
    keys = make_keys()
    v1_v2(keys)
    v3(keys)
    crafted(keys)
    mutations()
    return 0


if __name__ == "__main__":
    sys.exit(main())
