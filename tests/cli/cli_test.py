#!/usr/bin/env python3
"""Checks zelvora-cli as a user and a script see it.

Usage: cli_test.py PATH_TO_zelvora-cli PATH_TO_zelvora-keygen

Messages go through the command line and through format_v1.py and
format_v2.py, the independent implementation in tests/interop, in both
directions; every exit status is provoked once. Exits non-zero if any check fails.
"""

import base64
import os
import pty
import re
import stat
import subprocess
import sys
import tempfile
import unittest

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "interop"))
import format_v1  # noqa: E402
import format_v2  # noqa: E402

CLI = KEYGEN = None
DIR = None


def key_blob(path):
    with open(path, "rb") as f:
        return bytes.fromhex(f.read().decode().strip())


def cli(*args, data=b"", stdout=subprocess.PIPE):
    return subprocess.run([CLI, *args], input=data, stdout=stdout, stderr=subprocess.PIPE,
                          cwd=DIR)


def path(name):
    return os.path.join(DIR, name)


def write(name, data):
    with open(path(name), "wb") as f:
        f.write(data)
    return path(name)


MESSAGES = [b"", b"hello", "Grüße, привет, 日本語\n".encode(), os.urandom(1000) + b"\x1b[2J"]


class RoundTripTest(unittest.TestCase):
    def test_both_ways_with_the_independent_implementation(self):
        public = key_blob(path("me.pkey"))
        for message in MESSAGES:
            for from_file in (False, True):
                with self.subTest(length=len(message), from_file=from_file):
                    source = [write("message.bin", message)] if from_file else []
                    done = cli("encrypt", "--to", "me.pkey", *source,
                               data=b"" if from_file else message)
                    self.assertEqual(done.returncode, 0, done.stderr)
                    self.assertRegex(done.stdout, rb"\A[0-9A-F]+\n\Z")
                    # Written in version 3, which the command line reads back;
                    # versions 1 and 2 come from the independent implementation.
                    self.assertEqual(bytes.fromhex(done.stdout.decode())[0], 3)
                    back = cli("decrypt", "--key", "me.skey", "--output", "-", data=done.stdout)
                    self.assertEqual((back.returncode, back.stdout), (0, message), back.stderr)
                    # The window's clipboard text: upper-case hex, no line end.
                    hex_text = format_v1.encrypt(public, message).hex().upper().encode()
                    back = cli("decrypt", "--key", "me.skey", "--output", "-", data=hex_text)
                    self.assertEqual((back.returncode, back.stdout), (0, message), back.stderr)

    def test_wrapped_output_and_pasted_text_read_back(self):
        done = cli("encrypt", "--to", "me.pkey", "--wrap", "64", data=b"x" * 500)
        lines = done.stdout.decode().split("\n")
        self.assertEqual(lines[-1], "")
        self.assertTrue(all(len(line) == 64 for line in lines[:-2]))
        self.assertTrue(0 < len(lines[-2]) <= 64)
        # As mail shows it: lower case, CR LF, a blank and a tab inside.
        pasted = done.stdout.lower().replace(b"\n", b"\r\n ").replace(b"a", b"a\t", 1)
        back = cli("decrypt", "--key", "me.skey", write("pasted.txt", pasted))
        self.assertEqual((back.returncode, back.stdout), (0, b"x" * 500), back.stderr)

    def test_decrypted_file_is_private(self):
        done = cli("encrypt", "--to", "me.pkey", data=b"secret")
        back = cli("decrypt", "--key", "me.skey", "-o", "plain.txt", data=done.stdout)
        self.assertEqual((back.returncode, back.stdout), (0, b""))
        self.assertEqual(stat.S_IMODE(os.stat(path("plain.txt")).st_mode), 0o600)


class TerminalTest(unittest.TestCase):
    def test_binary_message_reaches_a_terminal_only_when_asked(self):
        # (message, extra arguments, exit status, written to the terminal)
        cases = [(b"plain text\n", [], 0, True), (b"\x1b]0;x\x07", [], 1, False),
                 (b"\xff\xfe", [], 1, False), (b"\x1b]0;x\x07", ["--output", "-"], 0, True)]
        for message, extra, status, shown in cases:
            with self.subTest(message=message, extra=extra):
                hex_text = cli("encrypt", "--to", "me.pkey", data=message).stdout
                main, side = pty.openpty()
                done = cli("decrypt", "--key", "me.skey", *extra, data=hex_text, stdout=side)
                os.close(side)
                os.set_blocking(main, False)
                try:
                    seen = os.read(main, 4096)
                except OSError:
                    seen = b""
                os.close(main)
                self.assertEqual(done.returncode, status, done.stderr)
                self.assertEqual(len(seen) > 0, shown)


class ExitStatusTest(unittest.TestCase):
    def test_each_failure_has_its_status_and_one_line(self):
        good = cli("encrypt", "--to", "me.pkey", data=b"for me").stdout
        # A cut version 3 message is damaged like any other; version 1 has
        # its own error for one shorter than any message to the key.
        version_1 = format_v1.encrypt(key_blob(path("me.pkey")), b"for me").hex().upper().encode()
        flipped = bytearray(bytes.fromhex(good.decode()))
        flipped[-1] ^= 1
        write("garbage.pkey", b"00112233\r\n")
        with open(path("me.pkey"), "rb") as f:
            os.chmod(write("public.skey", f.read()), 0o600)
        with open(path("me.skey"), "rb") as f:
            os.chmod(write("open.skey", f.read()), 0o644)
        # (arguments, standard input, exit status, what the line must say)
        cases = [
            ([], b"", 2, "missing command"),
            (["sign"], b"", 2, "unknown command 'sign'"),
            (["encrypt"], b"", 2, "needs --to"),
            (["encrypt", "--to"], b"", 2, "--to needs a value"),
            (["encrypt", "--to", "me.pkey", "--wrap", "1"], b"", 2, "--wrap needs"),
            (["decrypt", "--key", "me.skey", "--wrap", "64"], b"", 2, "unknown option '--wrap'"),
            (["decrypt", "--key", "me.skey", "--sign", "me.skey"], b"", 2, "'--sign'"),
            (["encrypt", "--to", "me.pkey", "--from", "me.pkey"], b"", 2, "'--from'"),
            (["decrypt", "--key", "me.skey", "--require-signed"], b"", 2, "needs --from"),
            (["decrypt", "--key", "me.skey", "--from", "no.pkey"], good, 3,
             "Error reading key file no.pkey"),
            (["encrypt", "--to", "me.pkey", "--sign", "public.skey"], b"", 3, "(80047006)"),
            (["decrypt", "--key", "me.skey", "--from", "other.pkey", "--require-signed"], good, 5,
             "not signed"),
            (["encrypt", "--to", "me.pkey", "a", "b"], b"", 2, "only one FILE"),
            (["encrypt", "--to", "no.pkey"], b"", 3,
             "Error reading key file no.pkey: No such file or directory (2)"),
            (["encrypt", "--to", "me.skey"], b"", 3, "me.skey: The file chosen as the recipient"),
            (["decrypt", "--key", "public.skey"], good, 3, "(80047006)"),
            (["decrypt", "--key", "open.skey"], good, 3, "Run chmod 600 open.skey (80047302)"),
            (["encrypt", "--to", "garbage.pkey"], b"", 3, "(80047008)"),
            (["decrypt", "--key", "me.skey"], b" \n", 4, "standard input: There is no encrypted"),
            (["decrypt", "--key", "me.skey"], b"04" + good[2:], 4, "(80047014)"),
            (["decrypt", "--key", "me.skey"], version_1[:100], 4, "(80047015)"),
            (["decrypt", "--key", "me.skey"], good[:100], 4, "(80047016)"),
            (["decrypt", "--key", "me.skey"], flipped.hex().encode(), 4, "(80047016)"),
            (["decrypt", "--key", "other.skey"], good, 4, "(80047016)"),
            (["encrypt", "--to", "me.pkey", "missing.txt"], b"", 1,
             "missing.txt: No such file or directory (2)"),
            (["decrypt", "--key", "me.skey", "-o", "no/such/out"], good, 1, "no/such/out: No such"),
        ]
        for args, data, status, said in cases:
            with self.subTest(args=args):
                done = cli(*args, data=data)
                err = done.stderr.decode()
                self.assertEqual(done.returncode, status, err)
                self.assertIn(said, err)
                self.assertEqual(done.stdout, b"")
                self.assertEqual(len(err.splitlines()), 2 if status == 2 else 1, err)

    def test_signed_messages_tell_the_writer(self):
        # (signing key, decrypt options, exit status, what standard error says)
        cases = [
            ("other.skey", ["--from", "other.pkey"], 0, "Verified: signed with the key in"),
            ("other.skey", ["--from", "other.pkey", "--require-signed"], 0, "Verified"),
            ("other.skey", [], 0, "no public key that could be read was named"),
            ("other.skey", ["--from", "me.pkey", "--require-signed"], 5, "not the key in me.pkey"),
            (None, ["--from", "other.pkey"], 0, "Not verified: the message is not signed"),
            (None, [], 0, ""),
        ]
        other_print = base64.b64encode(format_v2.fingerprint(format_v1.load_public_key(
            key_blob(path("other.pkey"))))).decode().rstrip("=")
        for signer, options, status, said in cases:
            with self.subTest(signer=signer, options=options):
                sign = ["--sign", signer] if signer else []
                written = cli("encrypt", "--to", "me.pkey", *sign, data=b"from other")
                self.assertEqual(written.returncode, 0, written.stderr)
                ciphertext = bytes.fromhex(written.stdout.decode())
                # Version 3; signed, it also carries a copy for the signer.
                self.assertEqual(ciphertext[:2], bytes([3, 2 if signer else 1]))
                if signer:
                    own_copy = cli("decrypt", "--key", "other.skey", "--from", "other.pkey",
                                   data=written.stdout)
                    self.assertEqual((own_copy.returncode, own_copy.stdout), (0, b"from other"))
                    self.assertIn(other_print, own_copy.stderr.decode())
                done = cli("decrypt", "--key", "me.skey", *options, data=written.stdout)
                err = done.stderr.decode()
                self.assertEqual(done.returncode, status, err)
                self.assertEqual(done.stdout, b"from other" if status == 0 else b"")
                self.assertIn(said, err)
                self.assertEqual(len(err.splitlines()), 1 if signer or options else 0, err)
                self.assertEqual("is not written" in err, status == 5)

    def test_help_and_version(self):
        for args, shown in [(["--help"], "Usage: zelvora-cli"), (["--version"], "zelvora-cli 1.")]:
            done = cli(*args)
            self.assertEqual((done.returncode, done.stderr), (0, b""))
            self.assertIn(shown, done.stdout.decode())


def main():
    global CLI, KEYGEN, DIR
    if len(sys.argv) != 3:
        print(__doc__, file=sys.stderr)
        return 2
    CLI, KEYGEN = (os.path.abspath(p) for p in sys.argv[1:])
    with tempfile.TemporaryDirectory() as DIR:
        for name in ("me", "other"):
            subprocess.run([KEYGEN, "--bits", "2048", os.path.join(DIR, name)], check=True,
                           stdout=subprocess.DEVNULL)
        suite = unittest.defaultTestLoader.loadTestsFromModule(sys.modules[__name__])
        result = unittest.TextTestRunner(verbosity=2).run(suite)
    return 0 if result.wasSuccessful() else 1


if __name__ == "__main__":
    sys.exit(main())
