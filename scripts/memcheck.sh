#!/usr/bin/env bash
# Runs the core test suite under valgrind's memcheck: an invalid read or
# write, a use of uninitialised memory or a lost block fails the run.
# Expects the regular build (scripts/build.sh); the build folder may be given.
set -euo pipefail
cd "$(dirname "$0")/.."
build="${1:-build}"
tests="$build/bin/zelvora_core_tests"
if [ ! -x "$tests" ]; then
    echo "memcheck: $tests not found; run scripts/build.sh first" >&2
    exit 1
fi
valgrind --tool=memcheck --leak-check=full --errors-for-leak-kinds=definite,indirect \
    --error-exitcode=1 --suppressions=scripts/memcheck.supp --quiet \
    "$tests" --gtest_brief=1
echo "memcheck: no errors"
