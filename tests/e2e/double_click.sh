#!/usr/bin/env bash
# A start with stored key file paths, a message typed at once, and a double
# click on Encrypt, through a real X server: run inside `xvfb-run -a`.
# Argument: the folder with the binaries.
set -euo pipefail
bin=$(realpath "$1")
source "$(dirname "$0")/lib.sh"

clipboard_is_hex() { [[ "$(clipboard)" =~ ^[0-9A-F]+$ ]]; }

"$bin/zelvora-keygen" --no-passphrase --bits 2048 "$work/me" >/dev/null
export XDG_CONFIG_HOME="$work/config"
mkdir -p "$XDG_CONFIG_HOME"
conf="$XDG_CONFIG_HOME/ZuzizOruverOvododa.conf"
printf '[Encryption]\nPrivateKeyFile=%s\nPublicKeyFile=%s\n' "$work/me.skey" "$work/me.pkey" >"$conf"

"$bin/zelvora" &
pid=$!
window=$(xdotool search --sync --name '^Zelvora v1\.0$' | head -n 1)
xdotool windowfocus --sync "$window"

# Typed at once: with the paths read back, it goes into the message field.
message='typed right after the start'
xdotool type --delay 5 "$message"

# Encrypt is the bottom row's first button: 120 twips from the left, its
# middle 360 twips above the bottom edge; the window is 6465 twips wide.
eval "$(xdotool getwindowgeometry --shell "$window")"
x=$(((120 + 1575 / 2) * WIDTH / 6465))
y=$((HEIGHT - 360 * WIDTH / 6465))
echo "old clipboard" | xclip -selection clipboard -i
xdotool mousemove --window "$window" "$x" "$y" click --repeat 2 --delay 80 1

wait_for clipboard_is_hex || fail "no ciphertext on the clipboard after the double click"
# Give a late second click time to do its damage, if it were to.
sleep 0.5
decrypted=$(clipboard | "$bin/zelvora-cli" decrypt --key "$work/me.skey") ||
    fail "the clipboard holds no message for this key (the second click encrypted the empty field?)"
[ "$decrypted" = "$message" ] || fail "the clipboard holds '$decrypted', not the typed message"
grep -qxF "PrivateKeyFile=$work/me.skey" "$conf" || fail "the stored private key path changed: $(cat "$conf")"
[ "$(stat -c %a "$conf")" = 600 ] || fail "the settings file has mode $(stat -c %a "$conf")"

keys Escape
wait_for test ! -e "/proc/$pid" || fail "the program is still running after Quit"
wait "$pid" || true
pid=""
echo "e2e double click: 4 passed, 0 failed"
