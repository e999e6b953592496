#!/usr/bin/env bash
# The clipboard promises on GNOME's compositor: Mutter nested inside Xvfb
# (headless Mutter's seat has no keyboard), with Zelvora native on Wayland.
# Mutter offers no data-control protocol, so every clearing without the
# focus goes through wl-copy, which the package depends on; and Mutter keeps
# a clipboard's text after the program that offered it has ended, so nothing
# goes by itself when Zelvora ends. Keys are typed with xdotool into the Xvfb
# window that holds Mutter; the clipboard is read with wl-paste.
# Arguments: the folder with the binaries, and --without-wl-copy to start
# Zelvora where no wl-copy can be found (what the rows must then show).
#
# Runs as user nobody when started as root, from a scratch copy it can read
# (scratch_session.sh).
set -euo pipefail

if [ "${1:-}" != --session ]; then
    exec bash "$(dirname "$(realpath "$0")")/scratch_session.sh" "$0" "$@"
fi

scratch=$2

pids=()
cleanup() {
    for p in "${pids[@]}"; do
        kill -CONT "$p" 2>/dev/null || true
        kill "$p" 2>/dev/null || true
    done
}
trap cleanup EXIT

source "$scratch/wait_for.sh"

# The X server that holds Mutter's window, on the first free display.
Xvfb -displayfd 3 -screen 0 1280x800x24 -nolisten tcp 3>"$HOME/display" >"$HOME/xvfb.log" 2>&1 &
pids+=($!)
wait_for test -s "$HOME/display" || { echo "FAIL: Xvfb did not start" >&2; exit 1; }
DISPLAY=:$(cat "$HOME/display")
export DISPLAY
# On Wayland a client repeats a held key itself: on a loaded machine a key
# release that comes late would type a second Tab and walk the focus too far.
gsettings set org.gnome.desktop.peripherals.keyboard repeat false
# Without Xwayland: Zelvora runs as a Wayland program, as on a GNOME desktop.
export WAYLAND_DISPLAY=zelvora-mutter
mutter --nested --wayland --no-x11 --wayland-display="$WAYLAND_DISPLAY" \
    >"$HOME/mutter.log" 2>&1 &
mutter_pid=$!
pids+=("$mutter_pid")
if ! wait_for test -S "$XDG_RUNTIME_DIR/$WAYLAND_DISPLAY"; then
    cat "$HOME/mutter.log" >&2
    echo "FAIL: mutter did not start" >&2
    exit 1
fi

./zelvora-keygen --no-passphrase --bits 2048 "$HOME/me" >/dev/null

clipboard() { wl-paste --no-newline 2>/dev/null; }
clipboard_equals() { [ "$(clipboard)" = "$1" ]; }
clipboard_is_hex() { [[ "$(clipboard)" =~ ^[0-9A-F]+$ ]]; }
# wl-paste fails when no program offers a clipboard and Mutter keeps none.
clipboard_is_empty() { ! wl-paste --no-newline >/dev/null 2>&1; }
primary_equals() { [ "$(wl-paste --primary --no-newline 2>/dev/null)" = "$1" ]; }
primary_is_empty() { ! wl-paste --primary --no-newline >/dev/null 2>&1; }

# Mutter keeps what wl-copy offered after it ends, so a plain wl-copy stands
# for another program's copy. Without data-control it takes the focus for a
# moment with a surface of its own; keys typed before the focus is back on
# the window would be lost.
copy_elsewhere() {
    wl-copy "$1"
    wait_for clipboard_equals "$1"
    if [ -n "$zelvora_pid" ] && ! zelvora_ended; then
        wait_for zelvora_has_focus
    fi
}

# Xvfb has no window manager: its only window, Mutter's, gets the keys.
keys() { xdotool key --delay 40 "$@"; }
type_text() { xdotool type --delay 20 "$1"; }
ctrl() { xdotool key ctrl+"$1"; sleep 0.05; }

reason=""
fail_row() {
    reason=$1
    return 1
}

zelvora_path=$PATH
if [ "${3:-}" = --without-wl-copy ]; then
    zelvora_path=$HOME/empty
    mkdir -p "$zelvora_path"
fi
# Nothing outside Mutter can ask it which window has the focus, so each
# window logs its Wayland traffic (WAYLAND_DEBUG) and the rows read from it
# whether the keyboard last entered the window or left it. A wl-copy that
# Zelvora starts logs there too, but its surface has the focus only between
# Zelvora's leave and its next enter. Messages are the lines that are not
# traffic.
log_has_focus() {
    local last
    last=$(grep -E '^\[.*\] wl_keyboard@[0-9]+\.(enter|leave)\(' "$1" | tail -n 1)
    [[ $last == *.enter\(* ]]
}
messages() { grep -hv '^\[' "$@" 2>/dev/null || true; }

zelvora_pid=""
zelvora_log=""
starts=0
start_zelvora() {
    rm -rf "$XDG_CONFIG_HOME"
    starts=$((starts + 1))
    zelvora_log=$HOME/zelvora-$starts.log
    PATH=$zelvora_path QT_QPA_PLATFORM=wayland WAYLAND_DEBUG=1 ./zelvora 2>"$zelvora_log" &
    zelvora_pid=$!
    pids+=("$zelvora_pid")
    wait_for log_has_focus "$zelvora_log" || fail_row "the window did not get the focus" || return
    sleep 0.3
}
zelvora_has_focus() { log_has_focus "$zelvora_log"; }
other_pid=""
start_other_window() {
    QT_QPA_PLATFORM=wayland WAYLAND_DEBUG=1 ./zelvora_other_window "$1" 2>"$HOME/other.log" &
    other_pid=$!
    pids+=("$other_pid")
    wait_for log_has_focus "$HOME/other.log" || fail_row "the other window did not get the focus"
}
stop_other_window() {
    if [ -n "$other_pid" ]; then
        kill "$other_pid" 2>/dev/null || true
        wait "$other_pid" 2>/dev/null || true
        other_pid=""
    fi
}
zelvora_ended() { [ ! -e "/proc/$zelvora_pid" ] || grep -q '^State:.*Z' "/proc/$zelvora_pid/status"; }
# Within five seconds, however the clearing went.
wait_for_end() {
    local tries=50
    until zelvora_ended; do
        tries=$((tries - 1))
        [ "$tries" -gt 0 ] || return 1
        sleep 0.1
    done
    wait "$zelvora_pid" 2>/dev/null || true
}
ended_and_cleared() {
    wait_for_end || fail_row "still running 5 s after $1" || return
    clipboard_is_empty || fail_row "$1 left text on the clipboard: '$(clipboard)'"
}

# Types both key paths and a message, and encrypts: the ciphertext is
# Zelvora's own clipboard. The focus ends on Encrypt.
encrypt() {
    type_text "$HOME/me.skey"
    keys Tab Tab
    type_text "$HOME/me.pkey"
    keys Tab Tab
    type_text "$message"
    keys Tab Tab Tab space
    wait_for clipboard_is_hex || fail_row "no hex text after Encrypt: '$(clipboard)'"
}

message="Hello from GNOME"

sigterm_without_input() {
    copy_elsewhere "copied before start"
    start_zelvora || return
    kill -TERM "$zelvora_pid"
    ended_and_cleared SIGTERM
}

sigterm_after_input() {
    start_zelvora || return
    type_text "typed"
    copy_elsewhere "copied after start"
    kill -TERM "$zelvora_pid"
    ended_and_cleared SIGTERM
}

# Zelvora's own ciphertext outlives it on Mutter unless it is cleared.
sigterm_takes_own_ciphertext() {
    start_zelvora || return
    encrypt || return
    kill -TERM "$zelvora_pid"
    ended_and_cleared SIGTERM
}

decrypt_then_esc() {
    start_zelvora || return
    encrypt || return
    local hex
    hex=$(clipboard)
    copy_elsewhere "${hex:0:76}"$'\n'"${hex:76}"
    keys Tab Tab Tab Tab Tab Tab Tab Tab space
    wait_for clipboard_is_empty || fail_row "Decrypt left text on the clipboard: '$(clipboard)'" ||
        return
    # The decrypted message is in the message field. The window may still
    # be busy showing it; keys typed meanwhile are not lost but may race it.
    sleep 0.5
    keys Tab Tab Tab Tab Tab Tab Tab
    sleep 0.2
    ctrl a
    ctrl c
    wait_for clipboard_equals "$message" ||
        fail_row "decrypted message differs: '$(clipboard)'" || return
    primary_equals "$message" ||
        fail_row "the selected message is not the primary selection" || return
    copy_elsewhere "copied before Esc"
    keys Escape
    ended_and_cleared Esc || return
    primary_is_empty || fail_row "Esc left the selected message on offer"
}

quit_empties_clipboard() {
    start_zelvora || return
    copy_elsewhere "copied before Quit"
    keys Tab Tab Tab Tab Tab space
    ended_and_cleared Quit
}

sigterm_while_other_window_copied() {
    start_zelvora || return
    type_text "typed"
    start_other_window "copied in another window" || return
    ctrl a
    ctrl c
    wait_for clipboard_equals "copied in another window" ||
        fail_row "the other window's copy did not arrive: '$(clipboard)'" || return
    kill -TERM "$zelvora_pid"
    ended_and_cleared SIGTERM || return
    primary_equals "copied in another window" ||
        fail_row "SIGTERM took another program's selection" || return
    stop_other_window
}

# A compositor that never answers cannot keep Zelvora alive: it ends within
# five seconds and says what it could not clear. With a selection of its own
# there are two clearings to wait for, each of which times out.
sigterm_while_compositor_stopped() {
    start_zelvora || return
    type_text "selected"
    ctrl a
    wait_for primary_equals "selected" || fail_row "the typed text is not the primary selection" ||
        return
    copy_elsewhere "copied before the compositor stopped"
    kill -STOP "$mutter_pid"
    kill -TERM "$zelvora_pid"
    local ended=yes
    wait_for_end || ended=no
    kill -CONT "$mutter_pid"
    [ "$ended" = yes ] || fail_row "still running 5 s after SIGTERM" || return
    messages "$zelvora_log" | grep -q 'clipboard' ||
        fail_row "nothing on standard error about the clipboard" || return
}

rows=(
    "sigterm_without_input:SIGTERM with no input, another program's text from before start"
    "sigterm_after_input:SIGTERM after a key press, another program's text from after start"
    "sigterm_takes_own_ciphertext:SIGTERM takes Zelvora's own ciphertext, which Mutter keeps"
    "decrypt_then_esc:Decrypt and Esc empty another program's clipboard, take back the selection"
    "quit_empties_clipboard:Quit empties another program's clipboard"
    "sigterm_while_other_window_copied:SIGTERM while another window has the focus and copied"
    "sigterm_while_compositor_stopped:SIGTERM with the compositor stopped ends within 5 s"
)

passed=0
failed=0
for row in "${rows[@]}"; do
    name=${row#*:}
    reason=""
    if "${row%%:*}"; then
        echo "ok   - mutter: $name"
        passed=$((passed + 1))
    else
        echo "FAIL - mutter: $name: $reason"
        failed=$((failed + 1))
    fi
    [ -z "$zelvora_pid" ] || kill -KILL "$zelvora_pid" 2>/dev/null || true
    stop_other_window
done
if [ "$failed" -gt 0 ]; then
    echo "--- zelvora's messages:" >&2
    messages "$HOME"/zelvora-*.log "$HOME/other.log" >&2
fi
echo "e2e mutter: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
