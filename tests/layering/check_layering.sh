#!/usr/bin/env bash
# Builds each layering probe and checks the outcome against the table:
# a probe that must fail has to fail for its header alone, not for some
# other fault. Arguments: the build folder, then PROBE:LIBRARY:HEADER:OUTCOME.
set -uo pipefail
build="$1"
shift
failures=0
for row in "$@"; do
    IFS=: read -r probe library header outcome <<<"$row"
    log=$(cmake --build "$build" --target "$probe" 2>&1)
    status=$?
    if [ "$outcome" = builds ] && [ $status -ne 0 ]; then
        echo "FAIL: $library cannot include $header:"
        echo "$log" | tail -n 5
        failures=$((failures + 1))
    elif [ "$outcome" = fails ] && [ $status -eq 0 ]; then
        echo "FAIL: $library includes $header, against the layering"
        failures=$((failures + 1))
    elif [ "$outcome" = fails ] && ! grep -q "$header: No such file" <<<"$log"; then
        echo "FAIL: $library with $header failed for another reason:"
        echo "$log" | tail -n 5
        failures=$((failures + 1))
    else
        echo "ok: $library $outcome with $header"
    fi
done
echo "layering: $(($# - failures)) passed, $failures failed"
[ $failures -eq 0 ]
