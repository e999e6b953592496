#!/usr/bin/env python3
"""Prints every accessible object of the programs on the accessibility bus,
one per line as NAME<TAB>DESCRIPTION, as a screen reader would find them.

Runs inside a D-Bus session whose programs were started with
QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1; talks to the bus through gdbus only.
"""

import re
import subprocess
import sys
import time

CHILD = re.compile(r"\('([^']*)', (?:objectpath )?'(/[^']*)'\)")
TEXT = re.compile(r"^\(<(['\"])(.*)\1>,\)$", re.S)


def gdbus(*args):
    """The reply, or "" when the object does not answer (menu entries
    come and go, and some answer only part of the interface)."""
    done = subprocess.run(["gdbus", "call", *args], capture_output=True, text=True, timeout=10)
    return done.stdout.strip() if done.returncode == 0 else ""


def text(value):
    match = TEXT.match(value)
    if not match:
        return ""
    # GVariant's text form escapes only backslashes and the quote in use.
    return re.sub(r"\\(.)", r"\1", match.group(2))


def main():
    address = re.match(r"^\('(.*)',\)$", gdbus("--session", "--dest", "org.a11y.Bus",
                                               "--object-path", "/org/a11y/bus",
                                               "--method", "org.a11y.Bus.GetAddress")).group(1)

    def call(dest, path, *method):
        return gdbus("--address", address, "--dest", dest, "--object-path", path,
                     "--method", *method)

    def walk(dest, path, seen):
        if (dest, path) in seen:
            return
        seen.add((dest, path))
        if path != "/org/a11y/atspi/accessible/root" or dest != "org.a11y.atspi.Registry":
            name, description = (
                text(call(dest, path, "org.freedesktop.DBus.Properties.Get",
                          "org.a11y.atspi.Accessible", field))
                for field in ("Name", "Description"))
            print("%s\t%s" % (name.replace("\n", " "), description.replace("\n", " ")))
        for child in CHILD.findall(call(dest, path, "org.a11y.atspi.Accessible.GetChildren")):
            walk(child[0], child[1], seen)

    # The registry starts on the first call; programs register with it then.
    root = ("org.a11y.atspi.Registry", "/org/a11y/atspi/accessible/root")
    for _ in range(50):
        if CHILD.findall(call(*root, "org.a11y.atspi.Accessible.GetChildren")):
            break
        time.sleep(0.1)
    walk(*root, set())
    return 0


if __name__ == "__main__":
    sys.exit(main())
