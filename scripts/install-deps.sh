#!/usr/bin/env bash
# SPDX-License-Identifier: Apache-2.0
# Installs the Debian packages that are missing, so a second run costs
# nothing. "run": only what building and running the two programs needs;
# "all" (the default): also what the tests, benchmarks, package checks and
# fuzz targets need. Installing needs root; anyone else is shown the command
# to run as root, and the script stops there rather than fail half-way.
set -euo pipefail

run_packages=(
    build-essential cmake ninja-build pkg-config
    qt6-base-dev libssl-dev
    # The platform plugin for Wayland sessions (X11 comes with Qt itself),
    # and the client library and wayland-scanner for our own data-control
    # client, which clears the clipboard without the focus.
    qt6-wayland libwayland-dev
    # wl-copy clears the clipboard on compositors without data-control
    # (GNOME's Mutter), as the package's Depends say.
    wl-clipboard
)
test_packages=(
    libgtest-dev libbenchmark-dev
    python3 python3-cryptography
    # The independent implementation of format version 3, and the Ed25519 to
    # X25519 map, are checked against libsodium's conversion.
    python3-nacl
    xvfb xclip xdotool xxd imagemagick
    clang libclang-rt-14-dev valgrind
    # The fuzz targets need clang 16 or later for std::expected.
    clang-16 libclang-rt-16-dev
    # The start-up benchmark watches windows appear through X DAMAGE.
    libxcb-damage0-dev
    # The Debian package is made, then checked as a distribution would.
    desktop-file-utils dpkg-dev file lintian appstream
    # The end-to-end test's headless Wayland session: the compositor with its
    # X server, keys, clipboard tools and a D-Bus session.
    sway xwayland wtype wl-clipboard dbus dbus-daemon
    # The end-to-end test on GNOME's compositor, nested inside Xvfb.
    mutter
    # The signed-message test reads the window as a screen reader would:
    # the accessibility bus, and gdbus to ask it.
    at-spi2-core libglib2.0-bin
    # The command line's benchmark times whole processes.
    hyperfine
    # ...beside the peer tools (ssh-keygen makes age's ssh-rsa key), and takes
    # each one's peak memory with GNU time.
    age gnupg openssh-client time
)

case "${1:-all}" in
    run) packages=("${run_packages[@]}") ;;
    all) packages=("${run_packages[@]}" "${test_packages[@]}") ;;
    *)
        echo "usage: $0 [run|all]" >&2
        exit 2
        ;;
esac

missing=()
for p in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
        missing+=("$p")
    fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

install=(apt-get install -y --no-install-recommends "${missing[@]}")
if [ "$(id -u)" -ne 0 ]; then
    echo "Some packages are missing. Install them as root with:" >&2
    echo "    ${install[*]}" >&2
    echo "then run this again." >&2
    exit 1
fi
echo "Installing: ${missing[*]}"
# Other installs may hold the package database for a while.
apt-get -o DPkg::Lock::Timeout=600 update -qq
DEBIAN_FRONTEND=noninteractive apt-get -o DPkg::Lock::Timeout=600 "${install[@]:1}" -qq
