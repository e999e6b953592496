#!/usr/bin/env bash
# Installs what is missing, builds, and starts Zelvora.
set -euo pipefail
cd "$(dirname "$0")"
./scripts/build.sh
if [ -x build/bin/zelvora ]; then
    exec build/bin/zelvora
fi
cat <<MSG
Built build/bin/zelvora-keygen. Make your key pair with:
    build/bin/zelvora-keygen mykey
Keep mykey.skey to yourself; give mykey.pkey to the people who write to you.
MSG
