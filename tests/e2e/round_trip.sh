#!/usr/bin/env bash
# Encrypt and decrypt through the real clipboard of a real X server, as a user
# would: run inside `xvfb-run -a`. Arguments: the folder with the binaries and
# a folder for artifacts (a screenshot of the main window).
set -euo pipefail
bin=$(realpath "$1")
artifacts=$(realpath -m "${2:-artifacts}")
mkdir -p "$artifacts"
source "$(dirname "$0")/lib.sh"

# One line of upper-case hex digits, without even a final line break.
clipboard_is_hex() {
    local text
    text=$(clipboard) && [[ "$text" =~ ^[0-9A-F]+$ ]] && [ "$(clipboard | wc -l)" -eq 0 ]
}
clipboard_is_wrapped() { [ "$(clipboard | wc -l)" -ge 2 ]; }
clipboard_has_no_text() { ! clipboard >/dev/null; }

"$bin/zelvora-keygen" --no-passphrase --bits 2048 "$work/me" >/dev/null
export XDG_CONFIG_HOME="$work/config"
"$bin/zelvora" &
pid=$!
window=$(xdotool search --sync --name '^Zelvora v1\.0$' | head -n 1)
xdotool windowfocus --sync "$window"

# xdotool types upper-case letters outside ASCII as lower-case ones, so
# the message has none.
message='Grüße aus Köln — ünïcødé, привет, and plain ASCII.'
# The focus starts in the private key path box; Tab walks the window.
xdotool type --delay 5 "$work/me.skey"
keys Tab Tab
xdotool type --delay 5 "$work/me.pkey"
keys Tab Tab
# Letters outside the keyboard map are typed by remapping a key each time,
# which drops letters when typed too fast.
xdotool type --delay 60 "$message"
import -window "$window" "$artifacts/main-window.png" || echo "note: no screenshot taken" >&2

# Message field -> Quit -> Decrypt -> Encrypt.
keys Tab Tab Tab space
wait_for clipboard_is_hex || fail "no upper-case hex text on the clipboard after Encrypt"
hex=$(clipboard)
# The message field is empty: copying everything in it changes nothing.
keys shift+Tab shift+Tab shift+Tab ctrl+a ctrl+c
clipboard_equals "$hex" || fail "the message field was not emptied by Encrypt"

# The command line reads the window's clipboard text.
decrypted=$(printf '%s' "$hex" | "$bin/zelvora-cli" decrypt --key "$work/me.skey") ||
    fail "zelvora-cli could not decrypt the window's text"
[ "$decrypted" = "$message" ] || fail "zelvora-cli decrypted '$decrypted'"

# And the window reads the command line's, wrapped for mail, as it comes back
# in a reply: quoted, between a greeting and a signature.
wrapped=$(printf '%s' "$message" | "$bin/zelvora-cli" encrypt --to "$work/me.pkey" --wrap 76)
{
    printf 'Hi,\n\nyou wrote:\n'
    sed 's/^/> /' <<<"$wrapped"
    printf '>\n\n-- \nBob\n'
} | xclip -selection clipboard -i
wait_for clipboard_is_wrapped || fail "the quoted reply did not reach the clipboard"
keys Tab Tab space
wait_for clipboard_has_no_text || fail "Decrypt left text on the clipboard"
keys shift+Tab shift+Tab ctrl+a ctrl+c
wait_for clipboard_equals "$message" || fail "decrypted message differs: '$(clipboard)'"

# Quit clears the clipboard, whoever owns it, and ends the process.
echo "left on the clipboard" | xclip -selection clipboard -i
wait_for clipboard_equals "left on the clipboard"
keys Escape
wait_for test ! -e "/proc/$pid" || fail "the program is still running after Quit"
wait "$pid" || true
pid=""
clipboard_has_no_text || fail "Quit left text on the clipboard"

# Being told to stop is handled as Quit too.
for signal in TERM INT; do
    "$bin/zelvora" &
    pid=$!
    xdotool search --sync --name '^Zelvora v1\.0$' >/dev/null
    echo "left before SIG$signal" | xclip -selection clipboard -i
    wait_for clipboard_equals "left before SIG$signal"
    kill -s "$signal" "$pid"
    wait_for test ! -e "/proc/$pid" || fail "SIG$signal did not end the program"
    wait "$pid" || true
    pid=""
    clipboard_has_no_text || fail "SIG$signal left text on the clipboard"
done
echo "e2e round trip: 9 passed, 0 failed"
