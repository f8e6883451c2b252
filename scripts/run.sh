#!/usr/bin/env bash
# Installs dependencies, builds, and shows a bundled sample scene.
# Without a display it renders the sample to an image instead.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
bash scripts/build.sh
SAMPLE="${1:-samples/house.wrl}"
if [ -n "${DISPLAY:-}" ] || [ -n "${WAYLAND_DISPLAY:-}" ]; then
  exec ./build/quorvel "$SAMPLE"
else
  OUT="$PWD/build/snapshot.bmp"
  echo "No display found: rendering $SAMPLE to an image instead."
  ./build/quorvel --snapshot "$OUT" --size 800x600 "$SAMPLE"
  echo "Image written to $OUT"
fi
