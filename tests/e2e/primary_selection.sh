#!/usr/bin/env bash
# Text selected in the message field is on offer to every program as X11's
# PRIMARY selection (middle-click pastes it). Whenever the field is emptied
# or its text replaced, and at the end, another program must find none of it
# there. Run inside `xvfb-run -a`; the argument is the folder with the binaries.
set -euo pipefail
bin=$(realpath "$1")
source "$(dirname "$0")/lib.sh"

clipboard() { xclip -o -selection clipboard 2>/dev/null; }
clipboard_is_hex() { [[ "$(clipboard)" =~ ^[0-9A-F]+$ ]]; }
clipboard_has_no_text() { ! clipboard >/dev/null; }
primary() { xclip -o -selection primary 2>/dev/null; }
primary_equals() { [ "$(primary)" = "$1" ]; }
primary_is_empty() { [ -z "$(primary || true)" ]; }

passed=0
check() {
    local what=$1
    shift
    wait_for "$@" || fail "$what: PRIMARY holds '$(primary || true)'"
    passed=$((passed + 1))
}
start() {
    "$bin/zelvora" &
    pid=$!
    window=$(xdotool search --sync --name '^Zelvora v1\.0$' | head -n 1)
    xdotool windowfocus --sync "$window"
}
ended() {
    wait_for test ! -e "/proc/$pid" || fail "the program is still running"
    wait "$pid" || true
    pid=""
}

"$bin/zelvora-keygen" --no-passphrase --bits 2048 "$work/me" >/dev/null
export XDG_CONFIG_HOME="$work/config"
message='middle-click must not paste this secret'
start
# Focus order: private path, its button, public path, its button, message
# field, Quit, Decrypt, Encrypt, Clear.
xdotool type --delay 5 "$work/me.skey"
keys Tab Tab
xdotool type --delay 5 "$work/me.pkey"
keys Tab Tab
xdotool type --delay 5 "$message"

keys ctrl+a
check "selecting the message" primary_equals "$message"
xclip -o -selection primary -t TARGETS | grep -qx 'x-kde-passwordManagerHint' ||
    fail "PRIMARY lacks the password manager hint"
[ "$(xclip -o -selection primary -t x-kde-passwordManagerHint)" = secret ] ||
    fail "the hint on PRIMARY is not 'secret'"
keys Tab Tab Tab space
wait_for clipboard_is_hex || fail "no hex text on the clipboard after Encrypt"
hex=$(clipboard)
check "select + Encrypt" primary_is_empty

# Decrypt (left of Encrypt), then select the decrypted text.
keys shift+Tab space
wait_for clipboard_has_no_text || fail "Decrypt left text on the clipboard"
keys shift+Tab shift+Tab ctrl+a
check "selecting the decrypted text" primary_equals "$message"
printf '%s' "$hex" | xclip -selection clipboard -i
wait_for clipboard_is_hex
keys Tab Tab space
wait_for clipboard_has_no_text || fail "the second Decrypt left text on the clipboard"
check "select decrypted text + Decrypt again" primary_is_empty

keys shift+Tab shift+Tab ctrl+a
check "selecting the text again" primary_equals "$message"
keys Tab Tab Tab Tab space
check "select + Clear" primary_is_empty

# Decrypt once more (two left of Clear), select, and press Esc.
printf '%s' "$hex" | xclip -selection clipboard -i
wait_for clipboard_is_hex
keys shift+Tab shift+Tab space
wait_for clipboard_has_no_text || fail "the third Decrypt left text on the clipboard"
keys shift+Tab shift+Tab ctrl+a
check "selecting before Esc" primary_equals "$message"
keys Escape
ended
check "select + Esc" primary_is_empty

# A selection another program owns is not ours to clear.
start
echo "selected elsewhere" | xclip -selection primary -i
wait_for primary_equals "selected elsewhere"
kill -s TERM "$pid"
ended
check "another program's selection after SIGTERM" primary_equals "selected elsewhere"
echo "e2e primary selection: $passed passed, 0 failed"
