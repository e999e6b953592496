#!/usr/bin/env python3
"""Checks zelvora-cli as a user and a script see it.

Usage: cli_test.py PATH_TO_zelvora-cli PATH_TO_zelvora-keygen

Messages go through the command line and through format_v1.py to
format_v3.py, the independent implementation in tests/interop, in both
directions; every exit status is provoked once. Exits non-zero if any check fails.
"""

import base64
import os
import pty
import re
import resource
import stat
import subprocess
import sys
import tempfile
import unittest

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "interop"))
import format_v1  # noqa: E402
import format_v2  # noqa: E402
import format_v3  # noqa: E402

CLI = KEYGEN = None
DIR = None


def key_blob(path):
    with open(path, "rb") as f:
        return bytes.fromhex(f.read().decode().strip())


def cli(*args, data=b"", stdout=subprocess.PIPE, **options):
    return subprocess.run([CLI, *args], input=data, stdout=stdout, stderr=subprocess.PIPE,
                          cwd=DIR, timeout=60, **options)


def path(name):
    return os.path.join(DIR, name)


def write(name, data):
    with open(path(name), "wb") as f:
        f.write(data)
    return path(name)


MESSAGES = [b"", b"hello", "Grüße, привет, 日本語\n".encode(), os.urandom(1000) + b"\x1b[2J"]


class RoundTripTest(unittest.TestCase):
    def test_both_ways_with_the_independent_implementation(self):
        own, public = key_blob(path("me.skey")), key_blob(path("me.pkey"))
        for message in MESSAGES:
            for from_file in (False, True):
                with self.subTest(length=len(message), from_file=from_file):
                    source = [write("message.bin", message)] if from_file else []
                    done = cli("encrypt", "--to", "me.pkey", *source,
                               data=b"" if from_file else message)
                    self.assertEqual(done.returncode, 0, done.stderr)
                    self.assertRegex(done.stdout, rb"\A[0-9A-F]+\n\Z")
                    ciphertext = bytes.fromhex(done.stdout.decode())
                    self.assertEqual(ciphertext[0], 3)
                    self.assertEqual(format_v3.decrypt(own, None, ciphertext),
                                     (message, "unsigned", None))
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


class OutputFileTest(unittest.TestCase):
    def test_only_a_new_file_of_mode_0600_is_made(self):
        hex_text = cli("encrypt", "--to", "me.pkey", data=b"secret").stdout
        # (what --output names, command, exit status); nothing else is touched.
        cases = [("fresh", "decrypt", 0), ("fresh", "encrypt", 0), ("file", "decrypt", 1),
                 ("file", "encrypt", 1), ("link", "decrypt", 1), ("dangling link", "encrypt", 1),
                 ("fifo", "decrypt", 1), ("fresh", "decrypt --from other.pkey --require-signed", 5)]
        for kind, command, status in cases:
            with self.subTest(kind=kind, command=command):
                folder = tempfile.mkdtemp(dir=DIR)
                target, victim = os.path.join(folder, "out"), os.path.join(folder, "victim")
                if kind in ("file", "link"):
                    with open(target if kind == "file" else victim, "wb") as f:
                        f.write(b"old")
                    os.chmod(f.name, 0o666)
                if "link" in kind:
                    os.symlink(victim, target)
                if kind == "fifo":
                    os.mkfifo(target)
                before = {n: os.lstat(os.path.join(folder, n)) for n in os.listdir(folder)}
                decrypt = command.startswith("decrypt")
                key = ["--key", "me.skey"] if decrypt else ["--to", "me.pkey"]
                done = cli(*command.split(), *key, "-o", target,
                           data=hex_text if decrypt else b"secret")
                self.assertEqual((done.returncode, done.stdout), (status, b""), done.stderr)
                if status != 0:
                    self.assertEqual(status == 1, b"already exists" in done.stderr)
                    after = {n: os.lstat(os.path.join(folder, n)) for n in os.listdir(folder)}
                    self.assertEqual(after, before)
                    continue
                self.assertEqual(os.listdir(folder), ["out"])
                self.assertEqual(stat.S_IMODE(os.lstat(target).st_mode), 0o600)
                with open(target, "rb") as f:
                    written = f.read()
                if not decrypt:
                    written, _, _ = format_v3.decrypt(key_blob(path("me.skey")), None,
                                                      bytes.fromhex(written.decode()))
                self.assertEqual(written, b"secret")


class PipedKeyTest(unittest.TestCase):
    def test_public_keys_come_from_pipes_private_keys_from_files_only(self):
        write("message.txt", b"piped")
        write("signed.txt", cli("encrypt", "--to", "me.pkey", "--sign", "other.skey",
                                data=b"piped").stdout)
        blob = {n: open(path(n), "rb").read() for n in ("me.pkey", "other.pkey", "me.skey")}
        # (arguments, "PIPE" standing for a pipe, what it or standard input
        #  carries, exit status, what standard error says)
        cases = [
            (["encrypt", "--to", "PIPE", "message.txt"], blob["me.pkey"], 0, ""),
            (["encrypt", "--to", "-", "message.txt"], blob["me.pkey"], 0, ""),
            (["decrypt", "--key", "me.skey", "--from", "PIPE", "signed.txt"], blob["other.pkey"],
             0, "Verified"),
            (["decrypt", "--key", "me.skey", "--from", "-", "signed.txt"], blob["other.pkey"], 0,
             "Verified"),
            (["decrypt", "--key", "PIPE", "signed.txt"], blob["me.skey"], 3, "Not a regular file"),
            (["encrypt", "--to", "PIPE", "message.txt"], b"00" * (1 << 19) + b"00", 3,
             "File too large"),
        ]
        for args, carried, status, said in cases:
            with self.subTest(args=args, length=len(carried)):
                # cat fills the pipe as the command line reads it.
                read_end, write_end = os.pipe()
                feeder = subprocess.Popen(["cat", write("carried", carried)], stdout=write_end,
                                          stderr=subprocess.DEVNULL)
                os.close(write_end)
                args = [f"/dev/fd/{read_end}" if a == "PIPE" else a for a in args]
                done = cli(*args, data=carried if "-" in args else b"", pass_fds=(read_end,))
                os.close(read_end)
                feeder.wait()
                self.assertEqual(done.returncode, status, done.stderr)
                self.assertIn(said, done.stderr.decode())


class LargeInputTest(unittest.TestCase):
    def test_input_beyond_the_format_or_memory_fails_in_one_line(self):
        with open(CLI, "rb") as f:
            sanitized = b"__asan_init" in f.read()
        # (command, sparse input size, address space limit, what the line says)
        cases = [("encrypt", 1 << 36, None, "too long"), ("decrypt", 1 << 39, None, "too large"),
                 ("encrypt", 1 << 30, 1 << 29, "Cannot allocate memory"),
                 ("decrypt", 1 << 30, 1 << 29, "Cannot allocate memory")]
        for command, size, limit, said in cases:
            with self.subTest(command=command, size=size, limit=limit):
                if limit and sanitized:
                    self.skipTest("AddressSanitizer needs more address space than the limit")
                big = write("big.txt", b"")
                os.truncate(big, size)

                def limited():
                    resource.setrlimit(resource.RLIMIT_AS, (limit, limit))

                key = ["--to", "me.pkey"] if command == "encrypt" else ["--key", "me.skey"]
                done = cli(command, *key, big, preexec_fn=limited if limit else None)
                os.remove(big)
                err = done.stderr.decode()
                self.assertEqual((done.returncode, len(err.splitlines())), (1, 1), err)
                self.assertIn(said, err)


class TerminalTest(unittest.TestCase):
    def test_binary_message_reaches_a_terminal_only_when_asked(self):
        # (message, extra arguments, exit status, written to the terminal)
        cases = [(b"plain text\n", [], 0, True), (b"\x1b]0;x\x07", [], 1, False),
                 (b"\xff\xfe", [], 1, False), (b"\x1b]0;x\x07", ["--output", "-"], 0, True),
                 (b"line\r\nend\r\n", [], 0, True), (b"paid\rfree", [], 1, False),
                 (b"x\x7f", [], 1, False), ("\u009b2J".encode(), [], 1, False),
                 ("abc\u202edcba".encode(), [], 1, False), ("\u2067x\u2069".encode(), [], 1, False),
                 ("a\u200fb".encode(), [], 1, False), ("\u200d\u00e9".encode(), [], 0, True),
                 # /dev/stdout is a link that exists: refused as any other.
                 (b"\x1b[2J", ["-o", "/dev/stdout"], 1, False)]
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
            (["encrypt", "--to", "me.pkey", "-o", "me.pkey"], b"x", 1, "me.pkey already exists"),
            (["encrypt", "--to", "-"], b"", 2, "the message must come from FILE"),
            # --from names the expected writer, not a recipient.
            (["decrypt", "--key", "me.skey", "--from", "me.skey"], good, 3,
             "holds a private key. "),
            (["decrypt", "--key", "me.skey", "--from", "me.skey"], good, 3,
             "public key file of the person you expect the message from; a private key file"),
            (["decrypt", "--key", "me.skey", "--from", "garbage.pkey"], good, 3,
             "public key file of the person you expect the message from, as the key pair"),
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
        other_digest = format_v2.fingerprint(format_v1.load_public_key(
            key_blob(path("other.pkey"))))
        other_print = base64.b64encode(other_digest).decode().rstrip("=")
        for signer, options, status, said in cases:
            with self.subTest(signer=signer, options=options):
                sign = ["--sign", signer] if signer else []
                written = cli("encrypt", "--to", "me.pkey", *sign, data=b"from other")
                self.assertEqual(written.returncode, 0, written.stderr)
                ciphertext = bytes.fromhex(written.stdout.decode())
                # Version 3; signed, it also carries a copy for the signer.
                self.assertEqual(ciphertext[:2], bytes([3, 2 if signer else 1]))
                if signer:
                    self.assertEqual(
                        format_v3.decrypt(key_blob(path("me.skey")), key_blob(path("other.pkey")),
                                          ciphertext),
                        (b"from other", "verified", other_digest))
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
