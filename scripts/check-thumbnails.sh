#!/usr/bin/env bash
# Runs the thumbnailer's Exec line as a file manager runs it (%i the file,
# %o the picture, %s 256) on every scene given (default: samples/ and the
# shared real-world scenes), and checks each picture: a PNG whose longer
# side is 256, with alpha and some opaque pixels. Then a file cut short
# must give no picture and a failure. Prints the time and peak memory of
# each run.
#   bash scripts/check-thumbnails.sh [BUILD_DIR] [FILE...]
set -euo pipefail
cd "$(dirname "$0")/.."
BUILD=${1:-build}
shift || true
files=("$@")
if [ ${#files[@]} -eq 0 ]; then
  for f in samples/* ../shared/repro/real-world/*; do
    case "$f" in *.wrl|*.wrb|*.x|*.ign|*.igz|*.lod|*.pts|*.gz|*.wrz) files+=("$f") ;; esac
  done
fi
exec_line=$(sed -n 's/^Exec=//p' desktop/quorvel.thumbnailer)
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
bad=0
run() {   # IN OUT: the Exec line with %i %o %s substituted, the program from BUILD
  local cmd=${exec_line//%i/\'$1\'}
  cmd=${cmd//%o/\'$2\'}
  cmd=${cmd//%s/256}
  cmd=${cmd/#quorvel /\'$BUILD/quorvel\' }
  /usr/bin/time -f "%e s %M KB" -o "$tmp/time" bash -c "$cmd" 2>"$tmp/err"
}
for f in "${files[@]}"; do
  out="$tmp/$(basename "$f").png"
  if ! run "$f" "$out"; then echo "FAIL $f: $(cat "$tmp/err")"; bad=1; continue; fi
  info=$(identify -format '%w %h %[channels] %[fx:maxima.a]' "$out" 2>/dev/null || true)
  read -r w h ch amax <<<"$info"
  if [ "$(( w > h ? w : h ))" != 256 ] || [[ "$ch" != *a* ]] || [ "$amax" != 1 ]; then
    echo "BAD  $f: $info"; bad=1
  else
    echo "ok   $f: ${w}x$h $ch, $(head -1 "$tmp/time")"
  fi
done
for f in "${files[@]:0:3}"; do
  size=$(stat -c %s "$f")
  head -c $((size / 2)) "$f" >"$tmp/cut_$(basename "$f")"
  if run "$tmp/cut_$(basename "$f")" "$tmp/cut.png" || [ -e "$tmp/cut.png" ]; then
    echo "BAD  half of $f gave a picture"; bad=1
  else
    echo "ok   half of $f refused: $(tail -1 "$tmp/err"), $(head -1 "$tmp/time")"
  fi
done
exit $bad
