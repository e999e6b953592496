#!/usr/bin/python3
"""Black-box tests of zelvora-keygen.

Usage: keygen_test.py PATH-TO-zelvora-keygen
The last line of output reads "keygen: N passed, M failed, K skipped".
"""

import os
import re
import resource
import shutil
import signal
import stat
import subprocess
import sys
import tempfile
import unittest

from cryptography.hazmat.primitives import serialization

KEYGEN = ""
# Error texts from the C library are compared, so they must be in English.
ENV = dict(os.environ, LC_ALL="C")
NOBODY = 65534


_nobody_copy = None


def keygen_for_nobody():
    """A copy of the generator that user nobody can run, or None.

    The build may lie in a folder only its owner can enter (a clone in
    root's home, mode 0700), so nobody could not reach the binary there."""
    global _nobody_copy
    if _nobody_copy is None:
        folder = tempfile.mkdtemp(prefix="keygen-nobody-")
        os.chmod(folder, 0o755)
        _nobody_copy = os.path.join(folder, "zelvora-keygen")
        shutil.copy(KEYGEN, _nobody_copy)
        os.chmod(_nobody_copy, 0o755)
        probe = subprocess.run([_nobody_copy, "--help"], capture_output=True,
                               preexec_fn=become_nobody)
        if probe.returncode != 0:
            _nobody_copy = ""
    return _nobody_copy or None


def become_nobody():
    os.setgroups([])
    os.setgid(NOBODY)
    os.setuid(NOBODY)


def run_keygen(args, cwd, umask=0o022, file_size_limit=None, as_nobody=False):
    def prepare_child():
        os.umask(umask)
        if file_size_limit is not None:
            # Ignored, the signal leaves write() to fail with EFBIG instead.
            signal.signal(signal.SIGXFSZ, signal.SIG_IGN)
            resource.setrlimit(resource.RLIMIT_FSIZE, (file_size_limit, file_size_limit))
        if as_nobody:
            become_nobody()

    program = keygen_for_nobody() if as_nobody else KEYGEN
    # Keys for tests that are not about passphrases are made without one:
    # there is no terminal to ask on.
    if not {"--fingerprint", "--passphrase-file", "--change-passphrase"} & set(args):
        args = ["--no-passphrase", *args]
    return subprocess.run([program, *args], cwd=cwd, env=ENV, capture_output=True,
                          preexec_fn=prepare_child, timeout=600)


def read_blob(path):
    with open(path, "rb") as f:
        return bytes.fromhex(f.read().decode("ascii"))


def openssl(args, data):
    return subprocess.run(["openssl", *args], input=data, capture_output=True)


def openssl_fingerprint(hex_path, private):
    """The fingerprint as the manual page tells anyone to compute it."""
    pkey = ["pkey", "-inform", "DER", "-outform", "DER"]
    pkey += ["-pubout"] if private else ["-pubin"]
    command = (f"xxd -r -p {hex_path} | openssl {' '.join(pkey)} | "
               "openssl dgst -sha256 -binary | base64 | tr -d =")
    result = subprocess.run(["sh", "-c", command], capture_output=True, check=True)
    return "SHA256:" + result.stdout.decode().strip()


def write_hex(path, blob, mode):
    with open(path, "w") as f:
        f.write(blob.hex().upper() + "\r\n")
    os.chmod(path, mode)


class TempDirCase(unittest.TestCase):
    def setUp(self):
        self.dir = tempfile.mkdtemp(prefix="keygen-test-")
        self.addCleanup(shutil.rmtree, self.dir)

    def path(self, name):
        return os.path.join(self.dir, name)

    def case_dir(self):
        """A fresh folder per table row, so one failing row cannot upset the next."""
        return tempfile.mkdtemp(dir=self.dir)

    def assertFolderHolds(self, names, folder=None):
        self.assertEqual(sorted(os.listdir(folder or self.dir)), sorted(names))


class GeneratedPairTest(unittest.TestCase):
    """One 2048-bit pair, examined from every side."""

    @classmethod
    def setUpClass(cls):
        cls.dir = tempfile.mkdtemp(prefix="keygen-test-")
        cls.result = run_keygen(["--bits", "2048", "alice"], cls.dir)
        cls.skey = os.path.join(cls.dir, "alice.skey")
        cls.pkey = os.path.join(cls.dir, "alice.pkey")

    @classmethod
    def tearDownClass(cls):
        shutil.rmtree(cls.dir)

    def setUp(self):
        self.assertEqual(self.result.returncode, 0, self.result.stderr)

    def test_reports_both_files_and_who_gets_which(self):
        out = self.result.stdout.decode()
        self.assertEqual(self.result.stderr, b"")
        keep = [line for line in out.splitlines() if line.startswith("Keep")]
        give = [line for line in out.splitlines() if line.startswith("Give")]
        self.assertEqual(len(keep), 1, out)
        self.assertEqual(len(give), 1, out)
        self.assertIn("alice.skey", keep[0])
        self.assertIn("alice.pkey", give[0])
        self.assertNotIn("alice.pkey", keep[0])
        self.assertNotIn("alice.skey", give[0])

    def test_leaves_only_the_two_key_files(self):
        self.assertEqual(sorted(os.listdir(self.dir)), ["alice.pkey", "alice.skey"])

    def test_files_are_one_line_of_upper_case_hex(self):
        for path in (self.skey, self.pkey):
            with self.subTest(path=os.path.basename(path)):
                with open(path, "rb") as f:
                    text = f.read()
                self.assertRegex(text, rb"\A(?:[0-9A-F]{2})+\r\n\Z")

    def test_openssl_reads_both_files(self):
        cases = [
            (self.skey, ["pkey", "-inform", "DER", "-noout"]),
            (self.pkey, ["pkey", "-pubin", "-inform", "DER", "-noout"]),
        ]
        for path, args in cases:
            with self.subTest(path=os.path.basename(path)):
                result = openssl(args, read_blob(path))
                self.assertEqual(result.returncode, 0, result.stderr)

    def test_blobs_are_pkcs8_and_subject_public_key_info(self):
        # Re-encoding in the wanted form must give back the very same bytes;
        # a bare PKCS#1 RSAPrivateKey would load but not compare equal.
        private_der = read_blob(self.skey)
        public_der = read_blob(self.pkey)
        private_key = serialization.load_der_private_key(private_der, password=None)
        public_key = serialization.load_der_public_key(public_der)
        self.assertEqual(
            private_key.private_bytes(serialization.Encoding.DER,
                                      serialization.PrivateFormat.PKCS8,
                                      serialization.NoEncryption()), private_der)
        self.assertEqual(
            public_key.public_bytes(serialization.Encoding.DER,
                                    serialization.PublicFormat.SubjectPublicKeyInfo), public_der)
        parsed = openssl(["asn1parse", "-inform", "DER"], private_der).stdout.decode()
        self.assertIn(":rsaEncryption", parsed)

    def test_fingerprints_agree_with_openssl(self):
        # The same key in each form a key file may hold: PKCS#8 and SPKI as
        # made here, and PKCS#1 as other tools write it.
        pkcs1_private = openssl(["rsa", "-inform", "DER", "-outform", "DER", "-traditional"],
                                read_blob(self.skey)).stdout
        pkcs1_public = openssl(["rsa", "-pubin", "-inform", "DER", "-outform", "DER",
                                "-RSAPublicKey_out"], read_blob(self.pkey)).stdout
        folder = tempfile.mkdtemp(prefix="keygen-test-")
        self.addCleanup(shutil.rmtree, folder)
        write_hex(os.path.join(folder, "pkcs1.skey"), pkcs1_private, 0o600)
        write_hex(os.path.join(folder, "pkcs1.pkey"), pkcs1_public, 0o644)
        # A private key in a file named otherwise is still held to the rules.
        write_hex(os.path.join(folder, "alice.key"), read_blob(self.skey), 0o600)
        expected = openssl_fingerprint(self.pkey, private=False)
        self.assertEqual(openssl_fingerprint(self.skey, private=True), expected)
        self.assertRegex(expected, r"\ASHA256:[A-Za-z0-9+/]{43}\Z")
        cases = [
            (self.skey, "private key"),
            (self.pkey, "public key"),
            (os.path.join(folder, "pkcs1.skey"), "private key"),
            (os.path.join(folder, "pkcs1.pkey"), "public key"),
            (os.path.join(folder, "alice.key"), "private key"),
        ]
        result = run_keygen(["--fingerprint", *[path for path, _ in cases]], self.dir)
        self.assertEqual(result.returncode, 0, result.stderr)
        self.assertEqual(result.stderr, b"")
        lines = result.stdout.decode().splitlines()
        self.assertEqual(lines, [f"{expected} 2048 bits, {kind}, {path}" for path, kind in cases])
        # What the generator printed when it made the pair is the same.
        self.assertIn(f"Fingerprint: {expected}", self.result.stdout.decode().splitlines())

    def test_ed25519_files_are_named_by_kind(self):
        # Keys of the second kind, as openssl writes them: PKCS#8 and SPKI.
        folder = tempfile.mkdtemp(prefix="keygen-test-")
        self.addCleanup(shutil.rmtree, folder)
        private = openssl(["genpkey", "-algorithm", "ed25519", "-outform", "DER"], b"").stdout
        public = openssl(["pkey", "-inform", "DER", "-pubout", "-outform", "DER"], private).stdout
        skey, pkey = os.path.join(folder, "ed.skey"), os.path.join(folder, "ed.pkey")
        write_hex(skey, private, 0o600)
        write_hex(pkey, public, 0o644)
        expected = openssl_fingerprint(pkey, private=False)
        result = run_keygen(["--fingerprint", skey, pkey], self.dir)
        self.assertEqual(result.returncode, 0, result.stderr)
        self.assertEqual(result.stdout.decode().splitlines(),
                         [f"{expected} Ed25519, private key, {skey}",
                          f"{expected} Ed25519, public key, {pkey}"])

    def test_public_key_belongs_to_private_key(self):
        derived = openssl(["pkey", "-inform", "DER", "-pubout", "-outform", "DER"],
                          read_blob(self.skey))
        self.assertEqual(derived.returncode, 0, derived.stderr)
        self.assertEqual(derived.stdout, read_blob(self.pkey))


class Ed25519PairTest(unittest.TestCase):
    """--type ed25519: standard DER that openssl and python3-cryptography read."""

    @classmethod
    def setUpClass(cls):
        cls.dir = tempfile.mkdtemp(prefix="keygen-test-")
        cls.result = run_keygen(["--type", "ed25519", "ed"], cls.dir)
        cls.skey = os.path.join(cls.dir, "ed.skey")
        cls.pkey = os.path.join(cls.dir, "ed.pkey")

    @classmethod
    def tearDownClass(cls):
        shutil.rmtree(cls.dir)

    def test_pair_is_standard_der_of_one_ed25519_key(self):
        self.assertEqual(self.result.returncode, 0, self.result.stderr)
        self.assertEqual(stat.S_IMODE(os.stat(self.skey).st_mode), 0o600)
        private_der, public_der = read_blob(self.skey), read_blob(self.pkey)
        # (file, openssl arguments): both parse, and the halves belong together.
        for path, args in ((self.skey, ["pkey", "-inform", "DER", "-noout", "-text"]),
                           (self.pkey, ["pkey", "-pubin", "-inform", "DER", "-noout", "-text"])):
            with self.subTest(path=os.path.basename(path)):
                result = openssl(args, read_blob(path))
                self.assertEqual(result.returncode, 0, result.stderr)
                self.assertIn(b"ED25519", result.stdout)
        derived = openssl(["pkey", "-inform", "DER", "-pubout", "-outform", "DER"], private_der)
        self.assertEqual(derived.stdout, public_der)
        # PKCS#8 version 0 as RFC 8410 writes it: re-encoding gives the same bytes.
        key = serialization.load_der_private_key(private_der, password=None)
        self.assertEqual(key.private_bytes(serialization.Encoding.DER,
                                           serialization.PrivateFormat.PKCS8,
                                           serialization.NoEncryption()), private_der)
        self.assertEqual(len(private_der), 48)
        self.assertEqual(len(public_der), 44)

    def test_fingerprint_is_printed_and_named_by_kind(self):
        expected = openssl_fingerprint(self.pkey, private=False)
        self.assertIn(f"Fingerprint: {expected}", self.result.stdout.decode().splitlines())
        self.assertIn("Ed25519 key pair", self.result.stdout.decode())
        result = run_keygen(["--fingerprint", self.skey], self.dir)
        self.assertEqual(result.stdout.decode().splitlines(),
                         [f"{expected} Ed25519, private key, {self.skey}"])


class CommandLineFormsTest(TempDirCase):
    def test_accepted_forms_and_modes(self):
        # (arguments, NAME as made, umask, .pkey mode); .skey is always 0600.
        cases = [
            (["--bits=2048", "k"], "k", 0o022, 0o644),
            (["k", "--bits", "2048"], "k", 0o077, 0o600),
            (["--bits", "2048", "--", "-k"], "-k", 0o000, 0o644),
            (["--bits", "2048", "sub/k"], "sub/k", 0o022, 0o644),
            # Either file's name stands for the pair.
            (["--bits", "2048", "k.skey"], "k", 0o022, 0o644),
            (["--bits", "2048", "sub/k.pkey"], "sub/k", 0o022, 0o644),
        ]
        for args, name, umask, public_mode in cases:
            with self.subTest(args=args, umask=oct(umask)):
                folder = self.case_dir()
                os.mkdir(os.path.join(folder, "sub"))
                result = run_keygen(args, folder, umask=umask)
                self.assertEqual(result.returncode, 0, result.stderr)
                skey = os.path.join(folder, name + ".skey")
                pkey = os.path.join(folder, name + ".pkey")
                self.assertEqual(stat.S_IMODE(os.stat(skey).st_mode), 0o600)
                self.assertEqual(stat.S_IMODE(os.stat(pkey).st_mode), public_mode)
                made = [] if "/" in name else [name + ".pkey", name + ".skey"]
                self.assertFolderHolds(made + ["sub"], folder)
                key = serialization.load_der_private_key(read_blob(skey), password=None)
                self.assertEqual(key.key_size, 2048)

    def test_default_size_is_3072_bits(self):
        result = run_keygen(["bob"], self.dir)
        self.assertEqual(result.returncode, 0, result.stderr)
        key = serialization.load_der_public_key(read_blob(self.path("bob.pkey")))
        self.assertEqual(key.key_size, 3072)

    def test_help_and_version_go_to_stdout_and_make_nothing(self):
        cases = [
            (["-h"], rb"Usage: zelvora-keygen .*--bits.*--version"),
            (["--help"], rb"Usage: zelvora-keygen "),
            (["k", "--help"], rb"Usage: zelvora-keygen "),
            (["--version"], rb"zelvora-keygen \d+\.\d+\.\d+\n"),
            (["--version", "--bits", "x"], rb"zelvora-keygen \d+\.\d+\.\d+\n"),
        ]
        for args, expected in cases:
            with self.subTest(args=args):
                folder = self.case_dir()
                result = run_keygen(args, folder)
                self.assertEqual(result.returncode, 0)
                self.assertIsNotNone(re.match(expected, result.stdout, re.DOTALL), result.stdout)
                self.assertEqual(result.stderr, b"")
                self.assertFolderHolds([], folder)

    def test_bad_arguments_exit_2_with_a_hint(self):
        cases = [
            ([], "missing NAME"),
            (["--frobnicate", "k"], "unknown option '--frobnicate'"),
            (["-x", "k"], "unknown option '-x'"),
            (["k", "l"], "only one NAME"),
            (["--bits"], "--bits needs a value"),
            (["k", "--bits"], "--bits needs a value"),
            (["--bits", "abc", "k"], "not 'abc'"),
            (["--bits", "", "k"], "whole number"),
            (["--bits", "2048x", "k"], "not '2048x'"),
            (["--bits", " 2048", "k"], "whole number"),
            (["--bits", "+2048", "k"], "whole number"),
            (["--bits", "2047", "k"], "from 2048 to 16384"),
            (["--bits", "16385", "k"], "from 2048 to 16384"),
            (["--bits", "-2048", "k"], "whole number"),
            (["--bits", "4294969344", "k"], "whole number"),  # 2048 + 2**32
            (["--bits=1024", "k"], "not '1024'"),
            ([""], "NAME must end in a file name"),
            (["sub/"], "NAME must end in a file name"),
            (["sub/.skey"], "NAME must end in a file name"),
            (["--fingerprint"], "--fingerprint needs at least one FILE"),
            (["--fingerprint", "--bits", "2048", "k.pkey"], "--bits makes no sense"),
            (["--fingerprint", "--type", "rsa", "k.pkey"], "--type makes no sense"),
            (["--type"], "--type needs a value"),
            (["--type", "dsa", "k"], "rsa or ed25519, not 'dsa'"),
            (["--type=Ed25519", "k"], "not 'Ed25519'"),
            (["--type", "ed25519", "--bits", "2048", "k"], "one size only"),
        ]
        for args, message in cases:
            with self.subTest(args=args):
                folder = self.case_dir()
                result = run_keygen(args, folder)
                self.assertEqual(result.returncode, 2)
                err = result.stderr.decode()
                # The complaint and the hint, nothing else (no crash report).
                self.assertEqual(len(err.splitlines()), 2, err)
                self.assertIn(message, err)
                self.assertIn("--help", err)
                self.assertEqual(result.stdout, b"")
                self.assertFolderHolds([], folder)


class RefusalTest(TempDirCase):
    def test_existing_file_is_kept_and_nothing_is_made(self):
        # (what is in the way, how it is made)
        cases = [
            ("k.skey", "file"),
            ("k.pkey", "file"),
            ("k.pkey", "dangling link"),
        ]
        for existing, kind in cases:
            with self.subTest(existing=existing, kind=kind):
                folder = self.case_dir()
                target = os.path.join(folder, existing)
                if kind == "file":
                    with open(target, "wb") as f:
                        f.write(b"old content\r\n")
                else:
                    os.symlink(os.path.join(folder, "nowhere"), target)
                result = run_keygen(["--bits", "2048", "k"], folder)
                self.assertEqual(result.returncode, 1)
                self.assertEqual(len(result.stderr.splitlines()), 1, result.stderr)
                self.assertIn(existing, result.stderr.decode())
                self.assertIn("already exists", result.stderr.decode())
                self.assertFolderHolds([existing], folder)
                if kind == "file":
                    with open(target, "rb") as f:
                        self.assertEqual(f.read(), b"old content\r\n")


class FingerprintRefusalTest(TempDirCase):
    def test_each_file_without_a_usable_key_is_named_and_the_rest_shown(self):
        good = self.path("good.pkey")
        run = run_keygen(["--bits", "2048", "good"], self.dir)
        self.assertEqual(run.returncode, 0, run.stderr)
        with open(self.path("good.skey"), "rb") as f:
            private_text = f.read()
        os.remove(self.path("good.skey"))
        public = read_blob(good)
        # (file name, content or None for no file, mode, words in the complaint)
        cases = [
            ("notes.txt", b"hello, world\n", 0o644, "readable"),
            ("garbage.pkey", b"00112233\r\n", 0o644, "readable"),
            ("empty.skey", b"", 0o600, "holds no key"),
            ("missing.pkey", None, 0, "No such file"),
            ("open.skey", private_text, 0o644, "chmod 600"),
            # What the file holds is told before its mode.
            ("open-public.skey", public.hex().upper().encode() + b"\r\n", 0o644,
             "holds a public key"),
            ("swapped.skey", public.hex().upper().encode() + b"\r\n", 0o600, "public"),
        ]
        for name, content, mode, words in cases:
            with self.subTest(name=name):
                path = self.path(name)
                if content is not None:
                    with open(path, "wb") as f:
                        f.write(content)
                if os.path.exists(path):
                    os.chmod(path, mode)
                result = run_keygen(["--fingerprint", path, good], self.dir)
                self.assertEqual(result.returncode, 1, result.stdout)
                err = result.stderr.decode()
                self.assertEqual(len(err.splitlines()), 1, err)
                self.assertIn(path, err)
                self.assertIn(words.lower(), err.lower())
                # The good file after it is still shown.
                out = result.stdout.decode().splitlines()
                self.assertEqual(len(out), 1, out)
                self.assertTrue(out[0].endswith(" 2048 bits, public key, " + good), out)


class WriteFailureTest(TempDirCase):
    def test_failed_write_exits_1_and_leaves_nothing(self):
        # (NAME, file size limit, path named in the message, system error text,
        #  refused before the slow key generation)
        cases = [
            ("missing/k", None, "missing/k.", "No such file or directory", True),
            ("locked/k", None, "locked/k.", "Permission denied", True),
            # The .pkey is written first: a limit below its size fails the
            # first file, one between the two sizes fails the .skey after the
            # .pkey was already in place, which must then be taken back.
            ("k", 100, "k.pkey", "File too large", False),
            ("k", 1000, "k.skey", "File too large", False),
        ]
        os.chmod(self.dir, 0o755)
        for name, limit, named_path, reason, early in cases:
            with self.subTest(name=name, limit=limit):
                folder = self.case_dir()
                os.chmod(folder, 0o755)
                locked = os.path.join(folder, "locked")
                os.mkdir(locked, 0o555)
                # root writes anywhere, so the locked folder needs another user.
                as_nobody = name.startswith("locked") and os.geteuid() == 0
                if as_nobody and keygen_for_nobody() is None:
                    self.skipTest("user nobody cannot run a copy of the generator here "
                                  "(is the temporary folder mounted noexec?)")
                result = run_keygen(["--bits", "2048", name], folder,
                                    file_size_limit=limit, as_nobody=as_nobody)
                self.assertEqual(result.returncode, 1, result.stderr)
                err = result.stderr.decode()
                self.assertEqual(len(err.splitlines()), 1, err)
                self.assertIn(named_path, err)
                self.assertIn(reason, err)
                self.assertEqual(b"Generating" not in result.stdout, early)
                self.assertFolderHolds(["locked"], folder)
                self.assertFolderHolds([], locked)


def main():
    global KEYGEN
    if len(sys.argv) != 2:
        print(__doc__, file=sys.stderr)
        return 2
    KEYGEN = os.path.abspath(sys.argv[1])
    suite = unittest.defaultTestLoader.loadTestsFromModule(sys.modules[__name__])
    result = unittest.TextTestRunner(verbosity=2).run(suite)
    if _nobody_copy:
        shutil.rmtree(os.path.dirname(_nobody_copy), ignore_errors=True)
    # A table counts once, however many of its rows failed.
    failed = {getattr(test, "test_case", test).id()
              for test, _ in result.failures + result.errors}
    skipped = len(result.skipped)
    passed = result.testsRun - len(failed) - skipped
    print(f"keygen: {passed} passed, {len(failed)} failed, {skipped} skipped")
    return 0 if not failed and result.wasSuccessful() else 1


if __name__ == "__main__":
    sys.exit(main())
