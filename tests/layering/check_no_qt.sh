#!/usr/bin/env bash
# The command line and the key generator start without Qt: neither program
# nor any library it pulls in may need a Qt or ICU library, which would cost
# every start tens of megabytes of loading for nothing. Arguments: the
# programs to check.
set -uo pipefail
failures=0
for program in "$@"; do
    # What the program itself names, then everything the loader resolves
    # from there, so a Qt library needed by way of another one counts too.
    needed=$(readelf -d "$program" | sed -n 's/.*(NEEDED).*\[\(.*\)\]/\1/p')
    if [ -z "$needed" ]; then
        echo "FAIL: no NEEDED entries read from $program"
        failures=$((failures + 1))
        continue
    fi
    loaded=$(ldd "$program" | awk '{print $1}')
    bad=$(printf '%s\n%s\n' "$needed" "$loaded" | grep -E '^lib(Qt[0-9]|icu)' | sort -u)
    if [ -n "$bad" ]; then
        echo "FAIL: $(basename "$program") needs" $bad
        failures=$((failures + 1))
    else
        echo "ok: $(basename "$program") needs no Qt:" $needed
    fi
done
[ $failures -eq 0 ]
