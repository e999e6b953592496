#!/usr/bin/env bash
# Installs the Debian packages that building, running and testing need, and only
# those that are missing, so a second run costs nothing.
set -euo pipefail

packages=(
    build-essential cmake ninja-build pkg-config
    qt6-base-dev libssl-dev openssl
    libgtest-dev libbenchmark-dev
    python3 python3-cryptography
    xvfb xclip xdotool xxd imagemagick
    clang libclang-rt-14-dev valgrind
    # The fuzz targets need clang 16 or later for std::expected.
    clang-16 libclang-rt-16-dev
    # The start-up benchmark watches windows appear through X DAMAGE.
    libxcb-damage0-dev
    desktop-file-utils dpkg-dev
    # Wayland: the Qt platform plugin, our own data-control client (the client
    # library and wayland-scanner), and the end-to-end test's headless session:
    # the compositor with its X server, keys, clipboard tools and a D-Bus
    # session.
    qt6-wayland libwayland-dev
    sway xwayland wtype wl-clipboard dbus dbus-daemon
)

missing=()
for p in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
        missing+=("$p")
    fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo=""
if [ "$(id -u)" -ne 0 ]; then
    sudo="sudo"
fi
echo "Installing: ${missing[*]}"
$sudo apt-get update -qq
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
