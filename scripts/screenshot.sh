#!/usr/bin/env bash
# Takes the README's picture of the window: the real program on a sample
# scene, maximised by a window manager on a virtual X display, captured and
# reduced to a small PNG.
#   bash scripts/screenshot.sh [BUILD_DIR] [OUT.png]
# Needs: xvfb openbox xdotool imagemagick (apt-get install them first).
set -euo pipefail
cd "$(dirname "$0")/.."
BUILD=${1:-build}
OUT=${2:-doc/window.png}
for tool in Xvfb openbox xdotool import convert; do
  command -v "$tool" >/dev/null || { echo "screenshot.sh: $tool is missing (apt-get install xvfb openbox xdotool imagemagick)" >&2; exit 1; }
done
[ -x "$BUILD/quorvel" ] || { echo "screenshot.sh: build $BUILD/quorvel first" >&2; exit 1; }

tmp=$(mktemp -d)
pids=()
cleanup() {
  for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done
  rm -rf "$tmp"
}
trap cleanup EXIT

# A display of our own: Xvfb picks a free number and writes it to fd 3.
Xvfb -displayfd 3 -screen 0 1024x720x24 -nolisten tcp 3>"$tmp/display" 2>/dev/null &
pids+=($!)
for _ in $(seq 50); do [ -s "$tmp/display" ] && break; sleep 0.1; done
export DISPLAY=":$(cat "$tmp/display")"
export XDG_RUNTIME_DIR="$tmp" XDG_CONFIG_HOME="$tmp/config"
openbox >/dev/null 2>&1 &
pids+=($!)
sleep 1

"$BUILD/quorvel" samples/house.wrl >/dev/null 2>&1 &
pids+=($!)
xdotool search --sync --onlyvisible --name "house.wrl" >/dev/null
sleep 3   # the first frames and the maximised layout
import -window root "$tmp/full.png"
convert "$tmp/full.png" -resize 75% -strip -colors 128 "PNG8:$OUT"
echo "screenshot.sh: wrote $OUT ($(stat -c %s "$OUT") bytes)"
