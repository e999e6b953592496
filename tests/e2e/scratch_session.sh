#!/usr/bin/env bash
# Runs a compositor test from a scratch copy in a session of its own:
#   scratch_session.sh SCRIPT BIN [ARG]
# copies the binaries from BIN, SCRIPT and wait_for.sh into a scratch folder
# and runs `SCRIPT --session SCRATCH [ARG]` in it under a D-Bus session, in
# a clean environment. As root it runs as user nobody: compositors refuse to
# run as root, and the checkout may lie in a folder only root can enter.
set -euo pipefail
script=$(realpath "$1")
bin=$(realpath "$2")
here=$(dirname "$script")
scratch=$(mktemp -d "/tmp/zelvora-$(basename "$script" .sh).XXXXXX")
trap 'rm -rf "$scratch"' EXIT
chmod 755 "$scratch"
cp "$bin/zelvora" "$bin/zelvora-keygen" "$bin/zelvora_other_window" "$script" \
    "$here/wait_for.sh" "$scratch/"
run_as=()
owner=$(id -un)
if [ "$(id -u)" -eq 0 ]; then
    owner=nobody
    run_as=(setpriv --reuid=nobody --regid="$(id -gn nobody)" --clear-groups)
fi
install -d -m 700 -o "$owner" "$scratch/home" "$scratch/runtime"
# Nothing of the caller's own session leaks in: the session's home,
# runtime and settings folders are the scratch folder's. Not exec: the
# scratch folder goes when the session ends.
cd "$scratch"
env -i PATH=/usr/local/bin:/usr/bin:/bin LANG=C.UTF-8 HOME="$scratch/home" \
    XDG_RUNTIME_DIR="$scratch/runtime" XDG_CONFIG_HOME="$scratch/home/config" \
    "${run_as[@]}" dbus-run-session -- bash "$scratch/$(basename "$script")" --session "$scratch" \
    "${3:-}"
