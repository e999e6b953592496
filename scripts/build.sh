#!/usr/bin/env bash
# SPDX-License-Identifier: Apache-2.0
# Installs what is missing, then configures and builds everything in build/:
# the programs, the tests and the benchmarks.
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/install-deps.sh all
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DZELVORA_TESTS=ON -DZELVORA_BENCH=ON >/dev/null
cmake --build build -j"$(nproc)"
