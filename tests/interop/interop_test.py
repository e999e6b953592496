#!/usr/bin/env python3
"""Checks the encryption component against format_v1.py in both directions.

Usage: interop_test.py PATH_TO_zelvora_interop_tool

Keys come from the openssl command; messages of several lengths go from the
component to the independent implementation and back, and a changed
ciphertext must be refused by both. Exits non-zero if any check fails.
"""

import os
import subprocess
import sys
import tempfile

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import format_v1  # noqa: E402

LENGTHS = [0, 1, 1000, 1 << 20]
KEY_BITS = 3072
NOT_FOR_THIS_KEY = "80047016"


def openssl(*args, data=None):
    return subprocess.run(
        ["openssl", *args], input=data, capture_output=True, check=True
    ).stdout


def make_keys():
    generated = openssl(
        "genpkey", "-algorithm", "RSA",
        "-pkeyopt", "rsa_keygen_bits:%d" % KEY_BITS, "-outform", "DER",
    )
    keys = {
        "pkcs8": openssl("pkcs8", "-topk8", "-nocrypt", "-inform", "DER",
                         "-outform", "DER", data=generated),
        "pkcs1": openssl("rsa", "-inform", "DER", "-traditional",
                         "-outform", "DER", data=generated),
        "spki": openssl("pkey", "-inform", "DER", "-pubout",
                        "-outform", "DER", data=generated),
        "rsapub": openssl("rsa", "-inform", "DER", "-RSAPublicKey_out",
                          "-outform", "DER", data=generated),
    }
    # The forms differ in their second element: PKCS#8 and SPKI carry an
    # AlgorithmIdentifier SEQUENCE where the PKCS#1 forms have INTEGERs.
    assert keys["pkcs8"][4:8] == b"\x02\x01\x00\x30", "not PKCS#8"
    assert keys["pkcs1"][4:8] == b"\x02\x01\x00\x02", "not PKCS#1"
    assert keys["spki"][4] == 0x30, "not SubjectPublicKeyInfo"
    assert keys["rsapub"][4] == 0x02, "not RSAPublicKey"
    return keys


class Tool:
    def __init__(self, path, workdir):
        self.path = path
        self.workdir = workdir

    def _file(self, name, data):
        path = os.path.join(self.workdir, name)
        with open(path, "wb") as f:
            f.write(data)
        return path

    def run(self, mode, key_der, data):
        """Returns (exit status, output bytes, stderr text)."""
        key_file = self._file("key.hex", key_der.hex().upper().encode() + b"\n")
        in_file = self._file("in.bin", data)
        out_file = os.path.join(self.workdir, "out.bin")
        if os.path.exists(out_file):
            os.remove(out_file)
        done = subprocess.run(
            [self.path, mode, key_file, in_file, out_file],
            capture_output=True, text=True,
        )
        output = b""
        if done.returncode == 0:
            with open(out_file, "rb") as f:
                output = f.read()
        return done.returncode, output, done.stderr


def flip(data, at):
    changed = bytearray(data)
    changed[at] ^= 0x01
    return bytes(changed)


def main():
    if len(sys.argv) != 2:
        print(__doc__, file=sys.stderr)
        return 2
    k = KEY_BITS // 8
    keys = make_keys()
    results = []

    def check(name, body):
        try:
            body()
            results.append((name, None))
        except Exception as error:  # any failure of one check is reported, not fatal
            results.append((name, "%s: %s" % (type(error).__name__, error)))

    with tempfile.TemporaryDirectory() as workdir:
        tool = Tool(sys.argv[1], workdir)

        def component_to_python(private, public, length):
            def body():
                message = os.urandom(length)
                status, ciphertext, err = tool.run("encrypt", keys[public], message)
                assert status == 0, "tool refused: " + err
                expected = 1 + k + format_v1.NONCE_BYTES + length + format_v1.TAG_BYTES
                assert len(ciphertext) == expected, "length %d" % len(ciphertext)
                assert format_v1.decrypt(keys[private], ciphertext) == message, "differs"
            return body

        def python_to_component(private, public, length):
            def body():
                message = os.urandom(length)
                ciphertext = format_v1.encrypt(keys[public], message)
                status, plaintext, err = tool.run("decrypt", keys[private], ciphertext)
                assert status == 0, "tool refused: " + err
                assert plaintext == message, "differs"
            return body

        for length in LENGTHS:
            check("component->python %d bytes" % length,
                  component_to_python("pkcs8", "spki", length))
            check("python->component %d bytes" % length,
                  python_to_component("pkcs8", "spki", length))
        check("component->python, PKCS#1 keys",
              component_to_python("pkcs1", "rsapub", 1000))
        check("python->component, PKCS#1 keys",
              python_to_component("pkcs1", "rsapub", 1000))

        def python_refuses_changed():
            status, ciphertext, err = tool.run("encrypt", keys["spki"], b"attack at dawn")
            assert status == 0, "tool refused: " + err
            for at in (1, 1 + k, 1 + k + format_v1.NONCE_BYTES, len(ciphertext) - 1):
                try:
                    format_v1.decrypt(keys["pkcs8"], flip(ciphertext, at))
                except format_v1.FormatError:
                    continue
                raise AssertionError("byte %d changed, still accepted" % at)

        def component_refuses_changed():
            ciphertext = format_v1.encrypt(keys["spki"], b"attack at dawn")
            for at in (1, 1 + k, 1 + k + format_v1.NONCE_BYTES, len(ciphertext) - 1):
                status, _, err = tool.run("decrypt", keys["pkcs8"], flip(ciphertext, at))
                assert status == 1, "byte %d changed, status %d" % (at, status)
                assert NOT_FOR_THIS_KEY in err, "byte %d changed: %s" % (at, err.strip())

        check("changed component ciphertext refused by python", python_refuses_changed)
        check("changed python ciphertext refused by component", component_refuses_changed)

    failed = [(name, why) for name, why in results if why is not None]
    for name, why in results:
        print("%s: %s" % ("FAIL" if why else "ok", name) + (" (%s)" % why if why else ""))
    print("interop: %d passed, %d failed" % (len(results) - len(failed), len(failed)))
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
