#!/usr/bin/env python3
"""Passphrases in zelvora-keygen and zelvora-cli, as a user and a script see them.

Usage: passphrase_test.py PATH_TO_zelvora-keygen-cheap PATH_TO_zelvora-cli

The generator under test is the tests' build, whose keys are cheap to unlock.
Terminal input goes through a pseudo-terminal that is the controlling
terminal of the program, while standard input and output are pipes.
"""

import os
import pty
import select
import stat
import subprocess
import sys
import tempfile
import time
import unittest

KEYGEN = CLI = DIR = None
ENV = dict(os.environ, LC_ALL="C")


def path(name):
    return os.path.join(DIR, name)


def write(name, data, mode=0o600):
    with open(path(name), "wb") as f:
        f.write(data)
    os.chmod(path(name), mode)
    return path(name)


def run(program, args, answers=(), data=b"", pass_fds=()):
    """Runs with a pseudo-terminal as controlling terminal, typing each of
    `answers` after a prompt appears on it; gives (status, stdout, stderr, the
    terminal's text)."""
    master, slave = pty.openpty()
    name = os.ttyname(slave)

    def become_terminal_owner():
        os.setsid()
        os.close(os.open(name, os.O_RDWR))

    proc = subprocess.Popen([program, *args], cwd=DIR, env=ENV, stdin=subprocess.PIPE,
                            stdout=subprocess.PIPE, stderr=subprocess.PIPE,
                            preexec_fn=become_terminal_owner, pass_fds=pass_fds)
    shown, pending = b"", list(answers)
    while pending:
        # The parent keeps the terminal open, so reading waits instead of
        # failing while the program has it closed.
        ready, _, _ = select.select([master], [], [], 10)
        if not ready:
            break
        try:
            chunk = os.read(master, 4096)
        except OSError:
            break
        shown += chunk
        if chunk.rstrip().endswith(b":"):
            os.write(master, pending.pop(0) + b"\n")
    out, err = proc.communicate(data, timeout=60)
    # What the terminal showed after the last answer: its echo, if any.
    while select.select([master], [], [], 0)[0]:
        try:
            chunk = os.read(master, 4096)
        except OSError:
            break
        if not chunk:
            break
        shown += chunk
    os.close(slave)
    os.close(master)
    return proc.returncode, out, err.decode(), shown.decode(errors="replace")


def opens_with(skey, passphrase):
    """Whether openssl reads the key file, turned back into DER by xxd, with
    `passphrase` (None: none given)."""
    passin = "file:" + write("pass.openssl", passphrase + b"\n") if passphrase is not None \
        else "pass:"
    return subprocess.run(f"xxd -r -p '{skey}' | openssl pkey -inform DER -passin '{passin}' "
                          "-noout", shell=True, capture_output=True).returncode == 0


class KeygenTest(unittest.TestCase):
    def test_new_key_passphrase(self):
        # (name, arguments, typed answers, exit status, passphrase that opens the key:
        #  None for a plain key, False for no key written)
        write("first-line", b"from file\nsecond line\n")
        cases = [
            ("typed", [], [b"correct horse", b"correct horse"], 0, b"correct horse"),
            ("mismatch", [], [b"one", b"two"], 1, False),
            ("empty-confirmed", [], [b"", b"", b"yes"], 0, None),
            ("empty-declined", [], [b"", b"", b"no"], 1, False),
            ("file", ["--passphrase-file", "first-line"], [], 0, b"from file"),
            ("none", ["--no-passphrase"], [], 0, None),
        ]
        for name, args, answers, status, opens in cases:
            with self.subTest(name=name):
                done, _, err, shown = run(KEYGEN, [*args, "--bits", "2048", name], answers)
                self.assertEqual(done, status, err + shown)
                made = os.path.exists(path(name + ".skey"))
                self.assertEqual(made, opens is not False)
                if not made:
                    self.assertFalse(os.path.exists(path(name + ".pkey")))
                    continue
                if answers:
                    self.assertIn("empty passphrase means none", shown)
                # Passphrases are not shown as they are typed; the
                # confirmation is.
                for typed in answers[:2]:
                    if typed:
                        self.assertNotIn(typed.decode(), shown)
                if len(answers) > 2:
                    self.assertIn("confirm: " + answers[2].decode(), shown)
                self.assertTrue(opens_with(path(name + ".skey"), opens))
                if opens is not None:
                    self.assertFalse(opens_with(path(name + ".skey"), None))

    def test_no_terminal_stops_at_once(self):
        start = time.monotonic()
        done = subprocess.run([KEYGEN, "--bits", "2048", "k"], cwd=DIR, env=ENV,
                              stdin=subprocess.DEVNULL, capture_output=True,
                              start_new_session=True, timeout=30)
        self.assertEqual(done.returncode, 2, done.stderr)
        self.assertIn(b"--no-passphrase", done.stderr)
        self.assertLess(time.monotonic() - start, 5)
        self.assertFalse(os.path.exists(path("k.skey")))

    def test_change_passphrase_keeps_the_mode(self):
        write("old", b"old pass\n")
        write("new", b"new pass\n")
        subprocess.run([KEYGEN, "--no-passphrase", "--bits", "2048", "ch"], cwd=DIR,
                       check=True, stdout=subprocess.DEVNULL)
        key = path("ch.skey")
        os.chmod(key, 0o400)
        # (step, arguments, typed answers, passphrase that opens it afterwards)
        steps = [
            ("add", ["--new-passphrase-file", "old"], [], b"old pass"),
            ("change typed", ["--passphrase-file", "old"], [b"new pass", b"new pass"],
             b"new pass"),
            ("wrong old", ["--passphrase-file", "old"], [], b"new pass"),
            ("remove", ["--passphrase-file", "new", "--no-passphrase"], [], None),
        ]
        for step, args, answers, opens in steps:
            with self.subTest(step=step):
                done, _, err, shown = run(KEYGEN, ["--change-passphrase", key, *args], answers)
                self.assertEqual(done, 1 if step == "wrong old" else 0, err + shown)
                if step == "wrong old":
                    self.assertIn("passphrase is wrong", err)
                self.assertTrue(opens_with(key, opens))
                self.assertEqual(stat.S_IMODE(os.stat(key).st_mode), 0o400)
                self.assertEqual(sorted(n for n in os.listdir(DIR) if n.startswith("ch.")),
                                 ["ch.pkey", "ch.skey"])


class CliTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        write("right", b"pass one\n")
        write("wrong", b"pass two\n")
        subprocess.run([KEYGEN, "--passphrase-file", "right", "--bits", "2048", "me"], cwd=DIR,
                       check=True, stdout=subprocess.DEVNULL)
        cls.ciphertext = subprocess.run([CLI, "encrypt", "--to", path("me.pkey")],
                                        input=b"secret", capture_output=True,
                                        check=True).stdout

    def test_decrypt_with_a_protected_key(self):
        fd_read, fd_write = os.pipe()
        os.write(fd_write, b"pass one\n")
        os.close(fd_write)
        # (name, options, typed answers, exit status, what standard error says)
        cases = [
            ("file", ["--passphrase-file", "right"], [], 0, ""),
            ("descriptor", ["--passphrase-fd", str(fd_read)], [], 0, ""),
            ("terminal", [], [b"pass one"], 0, ""),
            ("wrong", ["--passphrase-file", "wrong"], [], 3, "passphrase is wrong"),
            ("wrong typed", [], [b"nope"], 3, "passphrase is wrong"),
        ]
        for name, options, answers, status, said in cases:
            with self.subTest(name=name):
                done, out, err, _ = run(CLI, ["decrypt", "--key", "me.skey", *options], answers,
                                        data=self.ciphertext, pass_fds=(fd_read,))
                self.assertEqual(done, status, err)
                self.assertEqual(out, b"secret" if status == 0 else b"")
                self.assertIn(said, err)
        os.close(fd_read)

    def test_no_terminal_and_no_option_stops_at_once(self):
        start = time.monotonic()
        done = subprocess.run([CLI, "decrypt", "--key", "me.skey"], cwd=DIR, env=ENV,
                              input=self.ciphertext, capture_output=True,
                              start_new_session=True, timeout=30)
        self.assertEqual(done.returncode, 3, done.stderr)
        self.assertIn(b"--passphrase-file", done.stderr)
        self.assertEqual(len(done.stderr.splitlines()), 1)
        self.assertLess(time.monotonic() - start, 5)

    def test_signs_with_a_protected_key(self):
        done = subprocess.run([CLI, "encrypt", "--to", "me.pkey", "--sign", "me.skey",
                               "--passphrase-file", "right"], cwd=DIR, input=b"signed",
                              capture_output=True)
        self.assertEqual(done.returncode, 0, done.stderr)
        back = subprocess.run([CLI, "decrypt", "--key", "me.skey", "--from", "me.pkey",
                               "--require-signed", "--passphrase-file", "right"], cwd=DIR,
                              input=done.stdout, capture_output=True)
        self.assertEqual((back.returncode, back.stdout), (0, b"signed"), back.stderr)


def main():
    global KEYGEN, CLI, DIR
    if len(sys.argv) != 3:
        print(__doc__, file=sys.stderr)
        return 2
    KEYGEN, CLI = (os.path.abspath(p) for p in sys.argv[1:])
    with tempfile.TemporaryDirectory() as DIR:
        suite = unittest.defaultTestLoader.loadTestsFromModule(sys.modules[__name__])
        result = unittest.TextTestRunner(verbosity=2).run(suite)
    return 0 if result.wasSuccessful() else 1


if __name__ == "__main__":
    sys.exit(main())
