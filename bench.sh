#!/usr/bin/env bash
# Builds what is missing (scripts/build.sh), runs every benchmark beside its
# floor in the same run, and prints one table: ours, the floor, the ratio and
# the target for each row. Times are medians over repetitions.
#
#   ./bench.sh [REPETITIONS]      (default 5; start-up runs 6 rounds per repetition)
#
# ZELVORA_BUILD names another, already configured, build folder to use.
set -euo pipefail
cd "$(dirname "$0")"
repetitions="${1:-5}"

if [ -n "${ZELVORA_BUILD:-}" ]; then
    cmake --build "$ZELVORA_BUILD" >/dev/null
    bin="$ZELVORA_BUILD/bin"
else
    ./scripts/build.sh >/dev/null
    bin=build/bin
fi
out="$(mktemp -d)"
trap 'rm -rf "$out"' EXIT
# Nothing the programs store lands in the user's own settings.
export XDG_CONFIG_HOME="$out/config"

run_benchmark() {
    local name="$1"
    shift
    echo "running $name..." >&2
    "$@" --benchmark_repetitions="$repetitions" --benchmark_enable_random_interleaving=true \
        --benchmark_out="$out/$name.json" --benchmark_out_format=json >/dev/null 2>"$out/$name.err" ||
        { cat "$out/$name.err" >&2; exit 1; }
}

run_benchmark hex "$bin/zelvora_bench_hex"
run_benchmark crypto "$bin/zelvora_bench_crypto"
QT_QPA_PLATFORM=offscreen run_benchmark handlers "$bin/zelvora_bench_handlers"

echo "running peak memory..." >&2
for operation in encrypt decrypt; do
    QT_QPA_PLATFORM=offscreen "$bin/zelvora_peak_memory" "$operation" 2>/dev/null >>"$out/memory.jsonl"
done
# The text comes from another program's clipboard, as when copied from a mail.
QT_QPA_PLATFORM=xcb xvfb-run -a "$bin/zelvora_peak_memory" decrypt --foreign-clipboard --wrapped \
    2>/dev/null >>"$out/memory.jsonl"

if [ -x "$bin/zelvora_startup_watch" ]; then
    echo "running start-up..." >&2
    QT_QPA_PLATFORM=xcb xvfb-run -a -s "-screen 0 1280x1024x24" \
        "$bin/zelvora_startup_watch" $((repetitions * 6)) \
        zelvora="$bin/zelvora" floor="$bin/zelvora_startup_floor" empty="$bin/zelvora_empty_window" \
        >"$out/startup.json" 2>"$out/startup.err" || { cat "$out/startup.err" >&2; exit 1; }
fi

# zelvora-cli as whole processes, beside a process that does the bare
# OpenSSL work on the same input, side by side in one hyperfine run.
echo "running command line..." >&2
"$bin/zelvora-keygen" --bits 3072 "$out/cli" >/dev/null
for mib in 1 64; do
    # Printable text in mail-sized lines, as a message would be.
    head -c $((mib * 3 << 18)) /dev/urandom | base64 -w 76 >"$out/message-$mib"
    truncate -s $((mib << 20)) "$out/message-$mib"
    "$bin/zelvora-cli" encrypt --to "$out/cli.pkey" "$out/message-$mib" >"$out/ciphertext-$mib"
    hyperfine --style none --warmup 1 --runs "$((repetitions * 2))" \
        --export-json "$out/cli-$mib.json" \
        -n "ours encrypt" "$bin/zelvora-cli encrypt --to $out/cli.pkey < $out/message-$mib > /dev/null" \
        -n "floor encrypt" "$bin/zelvora_cli_floor encrypt $out/cli.pkey < $out/message-$mib > /dev/null" \
        -n "ours decrypt" "$bin/zelvora-cli decrypt --key $out/cli.skey < $out/ciphertext-$mib > /dev/null" \
        -n "floor decrypt" "$bin/zelvora_cli_floor decrypt $out/cli.skey < $out/ciphertext-$mib > /dev/null" \
        >/dev/null 2>"$out/cli.err" || { cat "$out/cli.err" >&2; exit 1; }
done

echo
echo "Machine: $(lscpu | sed -n 's/^Model name: *//p'), $(nproc) cores," \
    "$(free -g | awk '/^Mem:/ {print $2}') GiB, $(. /etc/os-release && echo "$PRETTY_NAME")"
echo
/usr/bin/python3 bench/report.py "$out"
