#!/usr/bin/env bash
# Under a real X server (run inside `xvfb-run -a`): a path typed into the
# private key box is written to the settings file when Tab leaves the box,
# the two menu entries open the About and QuickHelp windows (Esc closes
# them), and the next
# start shows the stored path again.
# Argument: the folder with the binaries.
set -euo pipefail
bin=$(realpath "$1")
source "$(dirname "$0")/lib.sh"

find_window() { timeout 20 xdotool search --sync --onlyvisible --name "$1" | head -n 1; }

export XDG_CONFIG_HOME="$work/config"
conf="$XDG_CONFIG_HOME/ZuzizOruverOvododa.conf"
path="$work/keys/my.skey"

"$bin/zelvora" &
pid=$!
main=$(find_window '^Zelvora v1\.0$') || fail "the main window did not appear"
xdotool windowfocus --sync "$main"

# The focus starts in the private key box. Nothing is stored before it is
# left.
xdotool type --delay 5 "$path"
[ ! -e "$conf" ] || fail "the settings file was written before the box lost the focus"
keys Tab
wait_for grep -qxF "PrivateKeyFile=$path" "$conf" ||
    fail "the typed path is not in $conf: $(cat "$conf" 2>/dev/null)"
grep -qxF "[Encryption]" "$conf" || fail "no [Encryption] group in $conf"

keys alt+a
about=$(find_window '^About Zelvora$') || fail "About did not open"
xdotool windowfocus --sync "$main"
keys alt+q
help=$(find_window '^Zelvora - QuickHelp$') || fail "QuickHelp did not open"
# Both stay open beside the main window.
xdotool search --onlyvisible --name '^About Zelvora$' >/dev/null || fail "About closed again"
[ "$about" != "$help" ] || fail "one window for both entries"
# Esc closes an information window, not the program.
xdotool windowfocus --sync "$about"
keys Escape
about_shown() { xdotool search --onlyvisible --name '^About Zelvora$'; }
wait_for eval '! about_shown' || fail "Esc did not close About"
[ -e "/proc/$pid" ] || fail "Esc in About ended the program"

xdotool windowfocus --sync "$main"
keys Escape
wait_for test ! -e "/proc/$pid" || fail "the program is still running after Esc"
wait "$pid" || true
pid=""

"$bin/zelvora" &
pid=$!
main=$(find_window '^Zelvora v1\.0$') || fail "the main window did not appear again"
xdotool windowfocus --sync "$main"
# With a path read back the focus starts in the message field, so typing at
# once cannot lengthen the path; four steps back reach the private key box.
keys shift+Tab shift+Tab shift+Tab shift+Tab ctrl+a ctrl+c
wait_for clipboard_equals "$path" || fail "after a restart the private key box holds '$(clipboard)'"
keys Escape
wait_for test ! -e "/proc/$pid" || fail "the program is still running after Esc"
wait "$pid" || true
pid=""
