#!/usr/bin/env python3
"""Checks the encryption component against format_v1.py, format_v2.py and
format_v3.py in both directions.

Usage: interop_test.py PATH_TO_zelvora_interop_tool

Keys come from the openssl command; messages of several lengths go from the
component to the independent implementation and back, and a changed
ciphertext must be refused by both. Signed messages go both ways between
three key pairs of two sizes, and every state and refusal of version 2's
inner layer is reached with inner layers built here. Version 3 messages go
both ways between Ed25519 and RSA keys, alone and mixed in one message.
Exits non-zero if any check fails.
"""

import os
import subprocess
import sys
import tempfile

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import format_v1  # noqa: E402
import format_v2  # noqa: E402
import format_v3  # noqa: E402

LENGTHS = [0, 1, 1000, 1 << 20]
KEY_BITS = 3072
NOT_FOR_THIS_KEY = "80047016"


def openssl(*args, data=None):
    return subprocess.run(
        ["openssl", *args], input=data, capture_output=True, check=True
    ).stdout


def make_keys(bits=KEY_BITS):
    generated = openssl(
        "genpkey", "-algorithm", "RSA",
        "-pkeyopt", "rsa_keygen_bits:%d" % bits, "-outform", "DER",
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

    def run(self, mode, key_der, data, other_der=None):
        """Returns (exit status, output bytes, stderr text); with other_der
        (the signer's private key, or the expected sender's public key) a
        decryption also gives its first line of standard output."""
        if mode == "encrypt":
            # The engine writes version 3; the versions checked here are
            # asked for by name: 2 when signed, else 1.
            mode = "encrypt-v2" if other_der is not None else "encrypt-v1"
        elif mode == "encrypt-v3":
            mode = "encrypt"
        key_file = self._file("key.hex", key_der.hex().upper().encode() + b"\n")
        in_file = self._file("in.bin", data)
        out_file = os.path.join(self.workdir, "out.bin")
        if os.path.exists(out_file):
            os.remove(out_file)
        args = [self.path, mode, key_file, in_file, out_file]
        if other_der is not None:
            args.append(self._file("other.hex", other_der.hex().upper().encode() + b"\n"))
        done = subprocess.run(args, capture_output=True, text=True)
        output = b""
        if done.returncode == 0:
            with open(out_file, "rb") as f:
                output = f.read()
        self.last_stdout = done.stdout.strip()
        return done.returncode, output, done.stderr


def flip(data, at):
    changed = bytearray(data)
    changed[at] ^= 0x01
    return bytes(changed)


def spki_print_by_openssl(public_der):
    return openssl("dgst", "-sha256", "-binary",
                   data=openssl("pkey", "-pubin", "-inform", "DER", "-outform", "DER",
                                data=public_der))


def signed_checks(tool, check):
    """Version 2 between a 2048-bit sender, a 3072-bit recipient (the keys
    above) and a 2048-bit third person."""
    sender = make_keys(2048)
    recipient = make_keys()
    third = make_keys(2048)
    message = b"meet me at the station at noon"

    def tool_reads(ciphertext, reader, named, state, signer):
        status, plaintext, err = tool.run("decrypt", reader["pkcs8"], ciphertext,
                                          named["spki"] if named else None)
        assert status == 0, "tool refused: " + err
        assert plaintext == message, "message differs"
        expected = "%s %s" % (state, signer.hex() if signer else "-")
        assert tool.last_stdout == expected, tool.last_stdout

    def component_to_python(signer, to):
        def body():
            status, ciphertext, err = tool.run("encrypt", to["spki"], message, signer["pkcs8"])
            assert status == 0, "tool refused: " + err
            assert ciphertext[0] == 2, "version %d" % ciphertext[0]
            got = format_v2.decrypt(to["pkcs8"], signer["spki"], ciphertext)
            assert got == (message, "verified", spki_print_by_openssl(signer["spki"])), got[1]
        return body

    def python_to_component(signer, to):
        def body():
            ciphertext = format_v2.encrypt(to["spki"], signer["pkcs8"], message)
            tool_reads(ciphertext, to, signer, "verified", spki_print_by_openssl(signer["spki"]))
        return body

    check("signed component->python, 2048 to 3072", component_to_python(sender, recipient))
    check("signed component->python, 3072 to 2048", component_to_python(recipient, sender))
    check("signed python->component, 2048 to 3072", python_to_component(sender, recipient))
    check("signed python->component, 3072 to 2048", python_to_component(recipient, sender))

    sender_print = spki_print_by_openssl(sender["spki"])

    def component_states():
        ciphertext = format_v2.encrypt(recipient["spki"], sender["pkcs8"], message)
        tool_reads(ciphertext, recipient, None, "no-sender-key", sender_print)
        tool_reads(ciphertext, recipient, third, "other-signer", sender_print)
        tool_reads(format_v1.encrypt(recipient["spki"], message), recipient, sender,
                   "unsigned", None)

    def python_states():
        status, ciphertext, err = tool.run("encrypt", recipient["spki"], message,
                                           sender["pkcs8"])
        assert status == 0, "tool refused: " + err
        for named, state in ((None, "no-sender-key"), (third["spki"], "other-signer")):
            got = format_v2.decrypt(recipient["pkcs8"], named, ciphertext)
            assert got == (message, state, sender_print), got[1]

    check("component names each unchecked state", component_states)
    check("python names each unchecked state", python_states)

    # Inner layers no honest writer makes, each under a good tag.
    good = format_v2.inner(sender["pkcs8"], recipient["spki"], message)
    s = int.from_bytes(good[32:34], "big")

    def flipped(at):
        return good[:at] + bytes([good[at] ^ 0x01]) + good[at + 1:]

    bad_signature = {
        "signature byte": flipped(34 + s // 2),
        "message byte": flipped(34 + s + 3),
        "length one more": flipped(33),
    }
    damaged = {
        "length zero": good[:32] + b"\x00\x00" + good[34:],
        "length beyond the largest key": good[:32] + b"\x08\x01" + good[34:] + bytes(2100),
        "cut inside the signature": good[: 34 + s - 1],
        "cut inside the length": good[:33],
    }

    def component_refuses():
        for name, content in bad_signature.items():
            tool_reads_state = tool.run("decrypt", recipient["pkcs8"],
                                        format_v2.seal(recipient["spki"], content),
                                        sender["spki"])
            assert tool_reads_state[0] == 0, name + ": " + tool_reads_state[2]
            assert tool.last_stdout.startswith("bad-signature "), name + ": " + tool.last_stdout
        for name, content in damaged.items():
            status, _, err = tool.run("decrypt", recipient["pkcs8"],
                                      format_v2.seal(recipient["spki"], content), sender["spki"])
            assert status == 1 and NOT_FOR_THIS_KEY in err, "%s: %d %s" % (name, status, err)
        # The recipient passes the signed message on to a third person.
        forwarded = format_v2.seal(third["spki"], good)
        status, _, err = tool.run("decrypt", third["pkcs8"], forwarded, sender["spki"])
        assert status == 0 and tool.last_stdout.startswith("bad-signature "), tool.last_stdout

    def python_refuses():
        for name, content in bad_signature.items():
            got = format_v2.decrypt(recipient["pkcs8"], sender["spki"],
                                    format_v2.seal(recipient["spki"], content))
            assert got[1] == "bad-signature", name + ": " + got[1]
        for name, content in damaged.items():
            try:
                format_v2.decrypt(recipient["pkcs8"], sender["spki"],
                                  format_v2.seal(recipient["spki"], content))
            except format_v1.FormatError:
                continue
            raise AssertionError(name + " accepted")
        # A forwarded message and a changed tag are known-answer vectors
        # (tests/vectors/v2-forwarded.vec and the mutation table).

    check("component refuses each changed inner layer", component_refuses)
    check("python refuses each changed inner layer", python_refuses)


def make_ed25519_keys():
    private = openssl("genpkey", "-algorithm", "ed25519", "-outform", "DER")
    return {"pkcs8": private,
            "spki": openssl("pkey", "-inform", "DER", "-pubout", "-outform", "DER", data=private)}


def v3_checks(tool, check):
    """Version 3 between two Ed25519 keys and an RSA key: what the component
    writes, signed with the writer's copy, opens verified in format_v3.py for
    both, and what format_v3.py writes to any mix of them opens verified in
    the component for each."""
    ed_a, ed_b, rsa_key = make_ed25519_keys(), make_ed25519_keys(), make_keys(2048)
    message = b"meet me at the station at noon"

    def component_to_python(writer, to, stanzas):
        def body():
            status, ciphertext, err = tool.run("encrypt-v3", to["spki"], message, writer["pkcs8"])
            assert status == 0, "tool refused: " + err
            found, _ = format_v3.parse_header(ciphertext)
            assert [kind for _, kind, _ in found] == stanzas, found
            for reader in (to, writer):
                got = format_v3.decrypt(reader["pkcs8"], writer["spki"], ciphertext)
                assert got == (message, "verified", spki_print_by_openssl(writer["spki"])), got[1]
        return body

    def python_to_component(writer, recipients):
        def body():
            ciphertext = format_v3.seal(message, [key["spki"] for key in recipients],
                                        writer["pkcs8"] if writer else None)
            for reader in recipients:
                status, plaintext, err = tool.run("decrypt", reader["pkcs8"], ciphertext,
                                                  writer["spki"] if writer else None)
                assert status == 0, "tool refused: " + err
                assert plaintext == message, "message differs"
                expected = ("verified " + spki_print_by_openssl(writer["spki"]).hex()
                            if writer else "unsigned -")
                assert tool.last_stdout == expected, tool.last_stdout
            # Someone not among the recipients.
            outsider = next(key for key in (ed_a, ed_b, rsa_key) if key not in recipients)
            status, _, err = tool.run("decrypt", outsider["pkcs8"], ciphertext)
            assert status == 1 and NOT_FOR_THIS_KEY in err, "%d %s" % (status, err)
        return body

    x25519, rsa_type = format_v3.TYPE_X25519, format_v3.TYPE_RSA
    check("v3 component->python, Ed25519 to Ed25519",
          component_to_python(ed_a, ed_b, [x25519, x25519]))
    check("v3 component->python, Ed25519 to RSA", component_to_python(ed_a, rsa_key,
                                                                     [rsa_type, x25519]))
    check("v3 component->python, RSA to Ed25519", component_to_python(rsa_key, ed_b,
                                                                     [x25519, rsa_type]))
    check("v3 python->component, Ed25519 to Ed25519", python_to_component(ed_a, [ed_b]))
    check("v3 python->component, Ed25519 unsigned", python_to_component(None, [ed_b]))
    check("v3 python->component, mixed, signed with Ed25519",
          python_to_component(ed_a, [rsa_key, ed_b]))
    check("v3 python->component, mixed, signed with RSA",
          python_to_component(rsa_key, [ed_b, rsa_key]))


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

        def component_refuses_changed():
            ciphertext = format_v1.encrypt(keys["spki"], b"attack at dawn")
            for at in (1, 1 + k, 1 + k + format_v1.NONCE_BYTES, len(ciphertext) - 1):
                status, _, err = tool.run("decrypt", keys["pkcs8"], flip(ciphertext, at))
                assert status == 1, "byte %d changed, status %d" % (at, status)
                assert NOT_FOR_THIS_KEY in err, "byte %d changed: %s" % (at, err.strip())

        # Python's refusal of changed version-1 ciphertexts is the vectors'
        # mutation table (tests/vectors/mutations.txt).
        check("changed python ciphertext refused by component", component_refuses_changed)

        signed_checks(tool, check)
        v3_checks(tool, check)

    failed = [(name, why) for name, why in results if why is not None]
    for name, why in results:
        print("%s: %s" % ("FAIL" if why else "ok", name) + (" (%s)" % why if why else ""))
    print("interop: %d passed, %d failed" % (len(results) - len(failed), len(failed)))
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
