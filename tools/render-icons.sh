#!/usr/bin/env bash
# Renders the hicolor PNG icons from the scalable one. Run after changing
# resources/icons/hicolor/scalable/apps/tolvane.svg and commit the PNGs
# (rsvg-convert comes with the Debian package librsvg2-bin).
set -euo pipefail
cd "$(dirname "$0")/../resources/icons/hicolor"

for size in 16 24 32 48 64 128 256; do
  mkdir -p "${size}x${size}/apps"
  rsvg-convert -w "$size" -h "$size" scalable/apps/tolvane.svg -o "${size}x${size}/apps/tolvane.png"
done
