#!/usr/bin/env bash
# Builds the fuzz targets (clang's libFuzzer with AddressSanitizer and
# UndefinedBehaviorSanitizer) in build-fuzz/ and runs each for SECONDS.
#
#   ./fuzz.sh [--scratch] [SECONDS] [TARGET...]
#
# SECONDS defaults to 600 per target; TARGETs default to all of them. Each
# run starts from the committed seeds in fuzz/corpus/<target>. Inputs found
# on the way are kept in build-fuzz/corpus/<target> for the next run, and
# crashing inputs in build-fuzz/artifacts/; with --scratch both go to a
# temporary folder that is removed afterwards. Exits non-zero if any target
# crashed, leaked or tripped a sanitizer.
set -euo pipefail
cd "$(dirname "$0")"

scratch=0
if [ "${1:-}" = "--scratch" ]; then
    scratch=1
    shift
fi
seconds="${1:-600}"
[ $# -gt 0 ] && shift
all_targets=(fuzz_hex_to_bytes fuzz_key_file fuzz_key_blobs fuzz_decrypt_bytes
             fuzz_decrypt_from_clipboard fuzz_stream_opener)
targets=("$@")
[ ${#targets[@]} -eq 0 ] && targets=("${all_targets[@]}")

./scripts/install-deps.sh
# Quiet unless something fails: then the build's own output says what.
build_log="$(mktemp)"
if ! { cmake -S fuzz -B build-fuzz -G Ninja -DCMAKE_CXX_COMPILER=clang++-16 &&
       cmake --build build-fuzz -j"$(nproc)"; } >"$build_log" 2>&1; then
    tail -n 60 "$build_log"
    echo "fuzz: the fuzz targets did not build" >&2
    exit 1
fi
rm -f "$build_log"

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
if [ "$scratch" -eq 1 ]; then
    keep="$work"
else
    keep="build-fuzz"
fi
mkdir -p "$keep/artifacts"

export ASAN_OPTIONS="detect_leaks=1:abort_on_error=1:symbolize=1"
export UBSAN_OPTIONS="halt_on_error=1:print_stacktrace=1"
passed=0
failed=0
for target in "${targets[@]}"; do
    corpus="$keep/corpus/$target"
    mkdir -p "$corpus"
    # The seeds are copied, so nothing the fuzzer does can touch the
    # committed ones.
    cp -r "fuzz/corpus/$target/." "$corpus/"
    log="$work/$target.log"
    if "build-fuzz/bin/$target" "$corpus" -max_total_time="$seconds" -timeout=30 \
        -rss_limit_mb=2048 -print_final_stats=1 \
        -artifact_prefix="$keep/artifacts/$target-" >"$log" 2>&1; then
        runs="$(grep -o 'Done [0-9]* runs' "$log" | grep -o '[0-9]*' || echo '?')"
        echo "$target: passed, $runs runs in ${seconds}s"
        passed=$((passed + 1))
    else
        echo "$target: FAILED"
        tail -n 60 "$log"
        if [ "$scratch" -eq 1 ]; then
            for artifact in "$keep/artifacts/$target-"*; do
                [ -e "$artifact" ] || continue
                echo "crashing input ($artifact):"
                xxd "$artifact" | head -n 20
            done
        else
            ls "$keep/artifacts/$target-"* 2>/dev/null || true
        fi
        failed=$((failed + 1))
    fi
done
echo "fuzz: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
