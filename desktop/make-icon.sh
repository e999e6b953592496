#!/usr/bin/env bash
# Renders the 48 x 48 application icon, a palette PNG of at most 256 colours,
# from its scalable source. Run it after editing the SVG and commit both.
set -euo pipefail
cd "$(dirname "$0")"
# Binary transparency: a palette image has no room for soft edges.
convert -background none -density 96 org.zelvora.Zelvora.svg -resize 48x48 \
    -channel A -threshold 50% +channel PNG8:org.zelvora.Zelvora.png
