#!/usr/bin/env bash
# Redraws tarnquill.ico (48, 32 and 16 pixels): a water drop on a blue tile.
# Needs ImageMagick's convert.
set -euo pipefail
cd "$(dirname "$0")"
convert -size 256x256 xc:none \
  -fill '#1d5a85' -draw 'roundrectangle 10,10,245,245,44,44' \
  -fill '#e8f4fb' -draw 'path "M128,34 C150,74 198,128 198,168 C198,208 166,232 128,232 C90,232 58,208 58,168 C58,128 106,74 128,34 Z"' \
  -fill '#3d9bd6' -draw 'path "M64,172 C92,156 112,188 128,176 C146,162 168,184 192,168 C194,204 166,228 128,228 C90,228 62,206 64,172 Z"' \
  -define icon:auto-resize=48,32,16 tarnquill.ico
