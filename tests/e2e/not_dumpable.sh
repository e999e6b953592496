#!/usr/bin/env bash
# Both programs make themselves not dumpable at start: the kernel then gives
# /proc/PID/mem (and the rest of /proc/PID) to root, so another process of
# the same user can neither read their memory nor attach to them. Seen from
# outside, as another process would. Root owns every root process's files
# anyway, so under root the programs run as user nobody, from a copy in a
# folder nobody can reach. The argument is the folder with the binaries.
set -euo pipefail
bin=$(realpath "$1")
source "$(dirname "$0")/lib.sh"

as_user=()
if [ "$(id -u)" -eq 0 ]; then
    as_user=(setpriv --reuid=65534 --regid=65534 --clear-groups)
    chmod 755 "$work"
    cp "$bin/zelvora" "$bin/zelvora-keygen" "$bin/zelvora-cli" "$work/"
    bin=$work
fi
mkdir -m 777 "$work/out"
export XDG_CONFIG_HOME="$work/out" QT_QPA_PLATFORM=offscreen

# Not dumpable, and no core file, not even of size 1.
hardened() {
    [ "$(stat -c %u "/proc/$pid/mem")" = 0 ] &&
        grep -Eq '^Max core file size +0 +0 ' "/proc/$pid/limits"
}
owned_by_its_user() { [ "$(stat -c %u "/proc/$pid/mem")" != 0 ]; }

passed=0
# (what, the test its /proc/PID must come to pass, command)
check() {
    local what=$1 expect=$2
    shift 2
    "${as_user[@]}" "$@" >/dev/null 2>&1 &
    pid=$!
    wait_for "$expect" || fail "$what: /proc/$pid/mem is owned by uid" \
        "$(stat -c %u "/proc/$pid/mem"); $(grep 'core file' "/proc/$pid/limits")"
    kill "$pid"
    wait "$pid" 2>/dev/null || true
    pid=""
    passed=$((passed + 1))
}
# The control: an ordinary process stays its user's, so the test can tell.
check "an ordinary process" owned_by_its_user sleep 30
check zelvora hardened "$bin/zelvora"
# Large keys take long enough to look at the generator while it works.
check zelvora-keygen hardened "$bin/zelvora-keygen" --no-passphrase --bits 16384 "$work/out/k"
# The command line waits on a FIFO for the message it is to encrypt.
"$bin/zelvora-keygen" --no-passphrase --bits 2048 "$work/out/r" >/dev/null
mkfifo -m 666 "$work/out/message"
check zelvora-cli hardened "$bin/zelvora-cli" encrypt --to "$work/out/r.pkey" "$work/out/message"
echo "not dumpable: $passed passed, 0 failed"
