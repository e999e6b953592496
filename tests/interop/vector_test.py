#!/usr/bin/env python3
"""Reads every known-answer vector and mutation in tests/vectors/ with
format_v1/2/3.py and checks the results the files expect; checks that the
recorded keys and randomness are the ones used, and confirms the primitives
as format_v3.py reads them against the openssl command. Exits non-zero if
any check fails."""

import hashlib
import os
import subprocess
import sys
import tempfile

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import format_v1  # noqa: E402
import format_v3  # noqa: E402
import vectors  # noqa: E402

P = 2**255 - 19
failures = []


def check(name, got, want):
    if got != want:
        failures.append(name)
        print("FAIL %s: got %r, want %r" % (name, got, want))


def check_keys(keys):
    for name, key in keys.items():
        private = format_v3.load_private_key(key["private"])
        check(name + " fingerprint", hashlib.sha256(key["public"]).digest(), key["fingerprint"])
        check(name + " pair", format_v3.fingerprint(private), key["fingerprint"])
        if name.startswith("ed"):
            # u = (1 + y) / (1 - y) (RFC 7748 4.1); the scalar from SHA-512 of the seed.
            y = int.from_bytes(key["public"][-32:], "little") & (2**255 - 1)
            u = (1 + y) * pow(1 - y, P - 2, P) % P
            check(name + " x25519 public", format_v3.x25519_public(private.public_key()),
                  u.to_bytes(32, "little"))
            scalar = hashlib.sha512(key["private"][-32:]).digest()[:32]
            check(name + " x25519 scalar", format_v3._raw(format_v3.x25519.X25519PrivateKey
                                                          .from_private_bytes(scalar).public_key()),
                  u.to_bytes(32, "little"))


def check_randomness(name, v, keys):
    ct, reader = v["ciphertext"], v["expect"][0].split()[0]
    if v["format"][0] != "3":
        rsa_key = format_v1.load_private_key(keys[reader]["private"])
        check(name + " message key", rsa_key.decrypt(ct[1:257], format_v1._oaep()).hex().upper(),
              v["message-key"][0])
        return
    if v["expect"][0].endswith("refused"):
        return
    table = vectors.symbols(ct, 0)
    opened = format_v3.open_with_key(ct, keys[reader]["private"])
    check(name + " message key", opened[3].hex().upper(), v["message-key"][0])
    check(name + " salt", ct[table["salt"]:table["payload"]].hex().upper(), v["payload-salt"][0])
    if "crafted" in name:
        return
    stanzas, _ = format_v3.parse_header(ct)
    check(name + " ephemerals", [b[:32] for _, t, b in stanzas if t == format_v3.TYPE_X25519],
          [format_v3._raw(format_v3.x25519.X25519PrivateKey.from_private_bytes(
              bytes.fromhex(e)).public_key()) for e in v.get("ephemeral", [])])
    p = len(v["message"]) + {"unsigned": 1, "rsa": 35 + 256, "ed": 97}[
        v.get("signer", ["unsigned"])[0].split("-")[0]]
    check(name + " size", len(ct), 2 + sum(3 + len(b) for _, _, b in stanzas) + 48 + p
          + 16 * -(-p // 65536))
    if not any(r.startswith("rsa") for r in v.get("recipient", []) + v.get("signer", [])):
        # Without RSA, whose padding draws its own randomness, sealing again
        # with the recorded randomness gives the same bytes.
        named = iter(v.get("recipient", []))
        recipients = [keys[next(named)]["public"] if t == format_v3.TYPE_X25519 else (t, body)
                      for _, t, body in stanzas]
        signer = keys[v["signer"][0]]["private"] if "signer" in v else None
        check(name + " sealed again", format_v3.seal(
            v["message"], recipients, signer, bytes.fromhex(v["message-key"][0]),
            bytes.fromhex(v["payload-salt"][0]), [bytes.fromhex(e) for e in v.get("ephemeral", [])]), ct)


def openssl(*args, data=None):
    return subprocess.run(["openssl", *args], input=data, capture_output=True).stdout


def check_primitives(vecs, keys, workdir):
    def file(name, data):
        path = os.path.join(workdir, name)
        with open(path, "wb") as f:
            f.write(data)
        return path

    # RFC 3394, section 4.6: 256 bits of key data under a 256-bit key.
    check("RFC 3394 key wrap", format_v3.keywrap.aes_key_wrap(
        bytes(range(32)), bytes.fromhex("00112233445566778899AABBCCDDEEFF") + bytes(range(16))),
        bytes.fromhex("28C9F404C4B810F4CBCCB35CFB87F8263F5786E2D80ED326"
                      "CBC7F0E71A99F43BFB988B9B7A02DD21"))
    v = vecs["v3-rsa-signed-two"]
    ct, key = v["ciphertext"], bytes.fromhex(v["message-key"][0])
    stanzas, mac = format_v3.parse_header(ct)
    check("openssl OAEP label", openssl(
        "pkeyutl", "-decrypt", "-keyform", "DER", "-inkey", file("b.der", keys["rsa-b"]["private"]),
        "-pkeyopt", "rsa_padding_mode:oaep", "-pkeyopt", "rsa_oaep_md:sha256",
        "-pkeyopt", "rsa_mgf1_md:sha256", "-pkeyopt",
        "rsa_oaep_label:" + format_v3.OAEP_LABEL.hex(), data=stanzas[0][2]), key)
    salt = ct[mac + 32:mac + 48]
    for info, kdf_salt in [(format_v3.HEADER_INFO, b""), (format_v3.PAYLOAD_INFO, salt)]:
        check("openssl HKDF " + info.decode(), openssl(
            "kdf", "-keylen", "32", "-kdfopt", "digest:SHA256", "-kdfopt", "hexkey:" + key.hex(),
            "-kdfopt", "hexsalt:" + kdf_salt.hex(), "-kdfopt", "hexinfo:" + info.hex(),
            "-binary", "HKDF"), format_v3.hkdf(kdf_salt, key, info))
    for name, signer in [("v3-rsa-signed-two", "rsa-a"), ("v3-ed25519-signed", "ed-a")]:
        ct = vecs[name]["ciphertext"]
        _, mac = format_v3.parse_header(ct)
        plaintext = format_v3.open_payload(bytes.fromhex(vecs[name]["message-key"][0]),
                                           ct[mac + 32:mac + 48], ct[mac + 48:])
        _, fp, message, signature, _ = format_v3._split(plaintext)
        statement = file("statement", format_v3._statement(ct[:mac + 32], fp, message))
        public, sig = file("public.der", keys[signer]["public"]), file("sig", signature)
        out = openssl(*(["dgst", "-sha256", "-sigopt", "rsa_padding_mode:pss", "-sigopt",
                         "rsa_pss_saltlen:32", "-keyform", "DER", "-verify", public,
                         "-signature", sig, statement] if signer.startswith("rsa") else
                        ["pkeyutl", "-verify", "-rawin", "-keyform", "DER", "-pubin", "-inkey",
                         public, "-sigfile", sig, "-in", statement]))
        check("openssl verifies " + name, b"Verified" in out or b"Success" in out, True)


def main():
    keys, vecs = vectors.read_keys(), vectors.read_vectors()
    check_keys(keys)
    for name, v in vecs.items():
        for line in v["expect"]:
            reader, sender, *result = line.split()
            got, message = vectors.read(v["ciphertext"], keys, reader, sender)
            check("%s read by %s from %s" % (name, reader, sender), got, result)
            check("%s message for %s" % (name, reader),
                  message, None if result == ["refused"] else v["message"])
        try:
            check_randomness(name, v, keys)
        except format_v1.FormatError as error:
            check(name + " opens with its recorded randomness", str(error), None)
    rows = vectors.read_mutations()
    for vector, name, operations, result in rows:
        v = vecs[vector]
        reader, sender = v["expect"][0].split()[:2]
        k = (0 if v["format"][0] == "3" else
             (format_v1.load_public_key(keys[v["recipient"][0]]["public"]).key_size + 7) // 8)
        changed = vectors.mutate(v["ciphertext"], operations,
                                 vectors.symbols(v["ciphertext"], k))
        check("%s %s" % (vector, name), vectors.read(changed, keys, reader, sender)[0], result)
    with tempfile.TemporaryDirectory() as workdir:
        try:
            check_primitives(vecs, keys, workdir)
        except format_v1.FormatError as error:
            check("openssl checks open their vectors", str(error), None)
    print("%d vectors, %d mutations, %d failures" % (len(vecs), len(rows), len(failures)))
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
