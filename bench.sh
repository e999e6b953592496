#!/usr/bin/env bash
# Builds what is missing (scripts/build.sh), runs every benchmark beside what
# it is held against in the same run, and prints the tables: ours, the
# comparison, the ratio and the target for each row. Times are medians over
# repetitions.
#
#   ./bench.sh [REPETITIONS]      (default 5; start-up runs 6 rounds per repetition)
#
# ZELVORA_BUILD names another, already configured, build folder to use.
# ZELVORA_BENCH_ONLY=cli runs only the command line's rows (against the peer
# tools, bench/cli.sh) and builds only what they need.
set -euo pipefail
cd "$(dirname "$0")"
repetitions="${1:-5}"
only="${ZELVORA_BENCH_ONLY:-}"
case "$only" in
    "" | cli) ;;
    *) echo "ZELVORA_BENCH_ONLY takes only 'cli'" >&2; exit 2 ;;
esac

targets=()
[ "$only" = cli ] && targets=(--target zelvora-cli zelvora-keygen)
if [ -n "${ZELVORA_BUILD:-}" ]; then
    cmake --build "$ZELVORA_BUILD" "${targets[@]}" >/dev/null
    bin="$ZELVORA_BUILD/bin"
elif [ "$only" = cli ] && [ -f build/CMakeCache.txt ]; then
    ./scripts/install-deps.sh all >/dev/null
    cmake --build build "${targets[@]}" >/dev/null
    bin=build/bin
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

if [ "$only" != cli ]; then
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
fi

bench/cli.sh "$bin" "$out" "$repetitions"

echo
echo "Machine: $(lscpu | sed -n 's/^Model name: *//p'), $(nproc) cores," \
    "$(free -g | awk '/^Mem:/ {print $2}') GiB, $(. /etc/os-release && echo "$PRETTY_NAME")"
echo
/usr/bin/python3 bench/report.py "$out"
