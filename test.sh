#!/usr/bin/env bash
# SPDX-License-Identifier: Apache-2.0
# Installs what is missing, builds, and runs every test: the regular build
# (unit, window, interoperability, end-to-end and package tests), the core
# again under AddressSanitizer and UndefinedBehaviorSanitizer, the core under
# valgrind's memcheck, and a short run of every fuzz target.
set -euo pipefail
cd "$(dirname "$0")"
./scripts/build.sh
ctest --test-dir build --output-on-failure

cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=Debug \
    -DZELVORA_SANITIZE=ON -DZELVORA_CORE_ONLY=ON -DZELVORA_BENCH=OFF >/dev/null
cmake --build build-asan -j"$(nproc)"
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 \
UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1 \
    ctest --test-dir build-asan --output-on-failure -L core

./scripts/memcheck.sh build
./scripts/fuzz-smoke.sh
