#!/usr/bin/env bash
# zelvora-cli on a message of 1 GiB (ZELVORA_STREAM_MIB to change it), each
# way, through pipes and into files: wall time and peak resident memory from
# /usr/bin/time, and the decrypted message compared with the original.
#
#   bench/cli_stream.sh BIN [FOLDER]
#
# FOLDER (default: a new one in $TMPDIR, removed afterwards) needs about four
# times the message's size free: the message, its hex text, the decrypted copy.
set -euo pipefail
bin="$1"
mib="${ZELVORA_STREAM_MIB:-1024}"
command -v /usr/bin/time >/dev/null || { echo "bench: /usr/bin/time is missing" >&2; exit 1; }
if [[ $# -ge 2 ]]; then
    work="$2"
else
    work="$(mktemp -d)"
    trap 'rm -rf "$work"' EXIT
fi

"$bin/zelvora-keygen" --no-passphrase --bits 3072 "$work/me" >/dev/null
"$bin/zelvora-keygen" --no-passphrase --bits 3072 "$work/other" >/dev/null
head -c "$((mib << 20))" /dev/urandom >"$work/message.bin"

measure() {  # LABEL COMMAND...: one row, "label  seconds  peak KiB"
    local label="$1"
    shift
    /usr/bin/time -f "%e %M" -o "$work/time.txt" "$@"
    printf '%-44s %8s s %8s KiB\n' "$label" $(cat "$work/time.txt")
}

cli="$bin/zelvora-cli"
measure "encrypt, signed, 2 recipients, pipe to pipe" \
    bash -c "cat '$work/message.bin' | '$cli' encrypt --to '$work/other.pkey' \
        --sign '$work/me.skey' --to-self --wrap 76 | cat >'$work/message.txt'"
measure "decrypt, pipe to pipe" \
    bash -c "cat '$work/message.txt' | '$cli' decrypt --key '$work/other.skey' \
        --from '$work/me.pkey' -o - 2>/dev/null | cmp - '$work/message.bin'"
measure "decrypt --require-signed, file to stdout" \
    bash -c "'$cli' decrypt --key '$work/me.skey' --from '$work/me.pkey' --require-signed \
        '$work/message.txt' 2>/dev/null | cmp - '$work/message.bin'"
measure "decrypt --require-signed, file to -o FILE" \
    "$cli" decrypt --key "$work/me.skey" --from "$work/me.pkey" --require-signed \
        -o "$work/message.out" "$work/message.txt" 2>/dev/null
cmp "$work/message.out" "$work/message.bin"
