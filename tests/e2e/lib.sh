# Shared by the end-to-end scripts, which run inside `xvfb-run -a`: a scratch
# folder, a program to stop at the end, and polling for what the program
# does asynchronously. Sets `work`; scripts put the program's pid in `pid`.
work=$(mktemp -d)
pid=""
cleanup() {
    [ -n "$pid" ] && kill "$pid" 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT

fail() {
    echo "FAIL: $*" >&2
    exit 1
}

source "$(dirname "${BASH_SOURCE[0]}")/wait_for.sh"

keys() { xdotool key --clearmodifiers --delay 20 "$@"; }

clipboard() { xclip -o -selection clipboard -t UTF8_STRING 2>/dev/null; }
clipboard_equals() { [ "$(clipboard)" = "$1" ]; }
