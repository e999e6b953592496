#!/usr/bin/env bash
# Without any display the window says so in one line and exits 1, instead of
# Qt's abort; --version needs no display. Argument: the folder with the
# binaries.
set -euo pipefail
bin=$(realpath "$1")
source "$(dirname "$0")/lib.sh"

# A socket number no X server listens on.
for display in unset ":97"; do
    if [ "$display" = unset ]; then
        run=(env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$bin/zelvora")
    else
        run=(env -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM DISPLAY="$display" "$bin/zelvora")
    fi
    status=0
    "${run[@]}" >"$work/out" 2>"$work/err" </dev/null || status=$?
    [ "$status" = 1 ] || fail "DISPLAY $display: exit status $status, not 1"
    [ "$(wc -l <"$work/err")" = 1 ] && grep -q "no graphical session" "$work/err" ||
        fail "DISPLAY $display: said '$(cat "$work/err")'"
done

version=$(env -u DISPLAY -u WAYLAND_DISPLAY "$bin/zelvora" --version)
[[ "$version" =~ ^zelvora\ [0-9]+\.[0-9]+\.[0-9]+$ ]] || fail "--version printed '$version'"
echo "e2e no display: 3 passed, 0 failed"
