#!/usr/bin/env bash
# Signed messages between three people, through the real clipboard of a real
# X server, read back as a screen reader would: run inside
# `xvfb-run -a dbus-run-session --`. The sender writes to the recipient; the
# recipient reads it with the sender's public key in the box, with a third
# person's, and reads an unsigned message. No message box may appear, and the
# message frame's caption and accessible description say who wrote the text.
# Argument: the folder with the binaries.
set -euo pipefail
bin=$(realpath "$1")
here=$(dirname "$0")
source "$here/lib.sh"

for person in sender recipient third; do
    "$bin/zelvora-keygen" --no-passphrase --bits 2048 "$work/$person" >/dev/null
done
# The fingerprint as the openssl command computes it from the .pkey file.
fingerprint() {
    python3 -c 'import sys; sys.stdout.buffer.write(bytes.fromhex(open(sys.argv[1]).read()))' "$1" |
        openssl pkey -pubin -inform DER -outform DER | openssl dgst -sha256 -binary |
        base64 | tr -d '=' | sed 's/^/SHA256:/'
}
sender_print=$(fingerprint "$work/sender.pkey")

export XDG_CONFIG_HOME="$work/config"
export QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1
"$bin/zelvora" &
pid=$!
window=$(xdotool search --sync --name '^Zelvora v1\.0$' | head -n 1)
xdotool windowfocus --sync "$window"

clipboard_is_hex() { [[ "$(clipboard)" =~ ^[0-9A-F]+$ ]]; }
clipboard_has_no_text() { ! clipboard >/dev/null; }
# The message frame: the accessible object whose name is its caption.
frame() { python3 "$here/accessible.py" | grep -m 1 "^Message —" || true; }
frame_is() { [ "$(frame | cut -f 1)" = "$1" ]; }
# After Decrypt: only the main window is shown (a message box would be a
# second window of the same title), and the field holds `message`.
expect_read() {
    local what="$1" caption="$2"
    wait_for clipboard_has_no_text || fail "$what: Decrypt left text on the clipboard"
    wait_for frame_is "$caption" || fail "$what: the frame says '$(frame | cut -f 1)'"
    sleep 0.5
    local shown
    shown=$(xdotool search --all --onlyvisible --pid "$pid" --name '^Zelvora v1\.0$' | wc -l)
    [ "$shown" -eq 1 ] || fail "$what: $shown windows shown, a message box among them"
    # Message field (Decrypt -> Quit -> field), copy all, back to Decrypt.
    keys shift+Tab shift+Tab ctrl+a ctrl+c Tab Tab
    wait_for clipboard_equals "$message" || fail "$what: the field holds '$(clipboard)'"
    # Selecting and copying the text changes nothing about it.
    frame_is "$caption" || fail "$what: copying the text changed the frame"
}
# Replaces the text of the path box that has the focus.
retype() { keys ctrl+a BackSpace; xdotool type --delay 5 "$1"; }

message='Meet me at the station at noon.'
# The sender: own private key, the recipient's public key, the message,
# then message field -> Quit -> Decrypt -> Encrypt.
xdotool type --delay 5 "$work/sender.skey"
keys Tab Tab
xdotool type --delay 5 "$work/recipient.pkey"
keys Tab Tab
xdotool type --delay 20 "$message"
keys Tab Tab Tab space
wait_for clipboard_is_hex || fail "no hex text on the clipboard after Encrypt"
signed=$(clipboard)
# Version 3 with two stanzas: the recipient's and the sender's own copy.
[[ "$signed" == 0302* ]] || fail "Encrypt with a private key named wrote no copy for its writer"

# The recipient, with the sender's public key: from Encrypt back to the
# private key box (7 steps), then the public key box, then Decrypt.
keys shift+Tab shift+Tab shift+Tab shift+Tab shift+Tab shift+Tab shift+Tab
retype "$work/recipient.skey"
keys Tab Tab
retype "$work/sender.pkey"
keys Tab Tab Tab Tab space
expect_read "sender's key" "Message — signed by sender.pkey"
frame | cut -f 2 | grep -qF "$sender_print" || fail "the verified frame does not name $sender_print"

# With the third person's key in the box the message is shown, not verified,
# and the description names the key that did sign.
keys shift+Tab shift+Tab shift+Tab shift+Tab
retype "$work/third.pkey"
keys Tab Tab Tab Tab
printf '%s' "$signed" | xclip -selection clipboard -i
wait_for clipboard_equals "$signed"
keys space
expect_read "third person's key" "Message — not verified: signed by another key"
description=$(frame | cut -f 2)
grep -qF "$sender_print" <<<"$description" || fail "the description does not name $sender_print"
grep -qF "Anyone who has your public key" <<<"$description" ||
    fail "the description does not warn that anyone could have written it: $description"

# An unsigned message, written without a private key.
printf '%s' "$message" | "$bin/zelvora-cli" encrypt --to "$work/recipient.pkey" |
    tr -d '\n' | xclip -selection clipboard -i
wait_for clipboard_is_hex
keys space
expect_read "unsigned" "Message — not verified: unsigned"

# Typing into the field takes the marks away.
keys shift+Tab shift+Tab x
wait_for frame_is "" || fail "editing the text left the frame marked"

keys Escape
wait_for test ! -e "/proc/$pid" || fail "the program is still running after Quit"
wait "$pid" || true
pid=""
echo "e2e signed: 5 passed, 0 failed"
