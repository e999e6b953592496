#!/usr/bin/env bash
# Runs every fuzz target for 20 seconds from the committed seeds, leaving
# the repository untouched; fails on a crash, a leak or a sanitizer report.
set -euo pipefail
exec "$(dirname "$0")/../fuzz.sh" --scratch 20
