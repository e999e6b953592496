#!/usr/bin/env bash
# Builds the Debian package from a configured and built build folder, unpacks
# it into a scratch root and checks what a desktop install needs is there,
# then has lintian and appstreamcli look at it as a distribution would.
# Argument: the build folder.
set -euo pipefail
build=$(realpath "$1")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

failures=0
fail() {
    echo "FAIL: $*" >&2
    failures=$((failures + 1))
}

if ! cpack --config "$build/CPackConfig.cmake" -G DEB -B "$work/out" >"$work/cpack.log" 2>&1; then
    cat "$work/cpack.log" >&2
    echo "FAIL: cpack did not make a package" >&2
    exit 1
fi
shopt -s nullglob
debs=("$work"/out/*.deb)
[ ${#debs[@]} -eq 1 ] || { echo "FAIL: expected one .deb, found ${#debs[@]}" >&2; exit 1; }
deb=${debs[0]}
echo "package: $(basename "$deb")"

root="$work/root"
dpkg-deb -x "$deb" "$root"
app_id=org.zelvora.Zelvora
desktop="$root/usr/share/applications/$app_id.desktop"
for file in \
    usr/bin/zelvora \
    usr/bin/zelvora-keygen \
    usr/bin/zelvora-cli \
    "usr/share/applications/$app_id.desktop" \
    "usr/share/icons/hicolor/48x48/apps/$app_id.png" \
    "usr/share/icons/hicolor/scalable/apps/$app_id.svg" \
    "usr/share/metainfo/$app_id.metainfo.xml" \
    usr/share/doc/zelvora/copyright \
    usr/share/doc/zelvora/changelog.gz \
    usr/share/man/man1/zelvora.1.gz \
    usr/share/man/man1/zelvora-keygen.1.gz \
    usr/share/man/man1/zelvora-cli.1.gz; do
    [ -f "$root/$file" ] || fail "missing /$file"
done
for program in zelvora zelvora-cli zelvora-keygen; do
    [ -x "$root/usr/bin/$program" ] || fail "/usr/bin/$program is not executable"
done

depends=$(dpkg-deb -f "$deb" Depends)
echo "Depends: $depends"
[ -n "$depends" ] || fail "Depends is empty"
# wl-clipboard: on GNOME its wl-copy is the only way to clear without the focus.
for library in libqt6widgets6 libssl3 qt6-wayland libwayland-client0 wl-clipboard; do
    grep -Eq "(^|, )$library( |,|$)" <<<"$depends" || fail "Depends does not name $library"
done
[ "$(dpkg-deb -f "$deb" Section)" = utils ] || fail "Section is not utils"
[ -n "$(dpkg-deb -f "$deb" Maintainer)" ] || fail "no Maintainer"

if [ -f "$desktop" ]; then
    desktop-file-validate "$desktop" || fail "desktop-file-validate rejects the entry"
    # The entry starts a program and names an icon that the package holds.
    exec_name=$(sed -n 's/^Exec=\([^ ]*\).*/\1/p' "$desktop")
    [ -x "$root/usr/bin/$exec_name" ] || fail "Exec=$exec_name is not in /usr/bin"
    icon_name=$(sed -n 's/^Icon=//p' "$desktop")
    [ -f "$root/usr/share/icons/hicolor/48x48/apps/$icon_name.png" ] ||
        fail "Icon=$icon_name has no 48x48 image"
fi

# Each manual page points to the other.
for pair in "zelvora zelvora-keygen" "zelvora-keygen zelvora"; do
    read -r page other <<<"$pair"
    man_page="$root/usr/share/man/man1/$page.1.gz"
    [ -f "$man_page" ] || continue
    zcat "$man_page" | sed -n '/^\.SH SEE ALSO/,$p' | grep -q "^\.BR $other (1)" ||
        fail "$page(1) does not name $other(1) under SEE ALSO"
done

metainfo="$root/usr/share/metainfo/$app_id.metainfo.xml"
if [ -f "$metainfo" ]; then
    appstreamcli validate --no-net "$metainfo" || fail "appstreamcli rejects the metadata"
    grep -q "<launchable type=\"desktop-id\">$app_id.desktop</launchable>" "$metainfo" ||
        fail "the metadata does not launch $app_id.desktop"
fi

# Built with the distribution's hardening: PIE, full RELRO (BIND_NOW) and
# fortified calls, which lintian reports at the information level.
for program in zelvora zelvora-cli zelvora-keygen; do
    flags=$(readelf -d "$root/usr/bin/$program" | grep -i flags || true)
    grep -q BIND_NOW <<<"$flags" || fail "/usr/bin/$program is not linked with -z now"
    grep -q PIE <<<"$flags" || fail "/usr/bin/$program is not a position-independent executable"
done

# What a distribution would check before taking the package: no error.
lintian_log="$work/lintian.log"
lintian -I --fail-on error "$deb" >"$lintian_log" 2>&1 || fail "lintian reports errors"
cat "$lintian_log"
! grep -q 'hardening-' "$lintian_log" || fail "lintian finds hardening missing"

[ "$failures" -eq 0 ] || exit 1
echo "package contents as expected"
