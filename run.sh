#!/usr/bin/env bash
# SPDX-License-Identifier: Apache-2.0
# Installs what building and running needs, builds the two programs, and
# starts Zelvora. The tests and benchmarks are test.sh's business, so the
# first start waits for neither their packages nor their build.
set -euo pipefail
cd "$(dirname "$0")"
./scripts/install-deps.sh run
# A build folder that test.sh configured already is used as it stands.
if [ ! -f build/CMakeCache.txt ]; then
    cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
        -DZELVORA_TESTS=OFF -DZELVORA_BENCH=OFF >/dev/null
fi
cmake --build build -j"$(nproc)" --target zelvora zelvora-keygen
if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
    exec build/bin/zelvora
fi
cat <<MSG
Built build/bin/zelvora and build/bin/zelvora-keygen. Start build/bin/zelvora
on your desktop. Make your key pair, protected by a passphrase, with:
    build/bin/zelvora-keygen mykey
Keep mykey.skey to yourself; give mykey.pkey to the people who write to you.
MSG
