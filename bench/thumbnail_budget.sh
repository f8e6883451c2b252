#!/bin/sh
# The thumbnailer's budget as a file manager meets it: `quorvel --thumbnail`
# of a 1 MB VRML terrain at 256 pixels, 15 runs, median wall time, CPU time
# (user + system) and peak memory; then the same file cut in half, which
# must be refused (status 1, no picture). The machine's load is printed
# beside the figures: wall times mean little on a busy machine.
# usage: bench/thumbnail_budget.sh [BUILD_DIR] [RUNS]
set -eu
build=${1:-build}
runs=${2:-15}
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
python3 - "$dir/terrain_1mb.wrl" <<'EOF'
import math, sys
n = 143   # 143 x 143 vertices: about 1 MB of text
out = ["#VRML V2.0 utf8", "DEF Terrain Transform { children Shape {",
       "appearance Appearance { material Material { diffuseColor 0.4 0.7 0.3 } }",
       "geometry IndexedFaceSet { coord Coordinate { point ["]
for j in range(n):
    for i in range(n):
        out.append("%.4f %.4f %.4f," % (i * 0.5, math.sin(i * 0.2) * math.cos(j * 0.15) * 3, j * 0.5))
out.append("] } coordIndex [")
for j in range(n - 1):
    for i in range(n - 1):
        a = j * n + i
        out.append("%d %d %d %d -1," % (a, a + n, a + n + 1, a + 1))
out.append("] } } }")
open(sys.argv[1], "w").write("\n".join(out) + "\n")
EOF
scene=$dir/terrain_1mb.wrl
size=$(stat -c %s "$scene")
head -c $((size / 2)) "$scene" > "$dir/cut.wrl"

measure() {   # FILE: median of "wall cpu peak_kb status"
    for i in $(seq 1 "$runs"); do
        rm -f "$dir/t.png"
        /usr/bin/time -f "%e %U %S %M %x" -o "$dir/time.txt" "$build/quorvel" --thumbnail "$1" "$dir/t.png" 256 \
            >/dev/null 2>&1 || true
        tail -1 "$dir/time.txt" | awk '{printf "%.2f %.2f %d %d\n", $1, $2 + $3, $4, $5}'
    done | sort -n | sed -n "$(((runs + 1) / 2))p"
}
echo "load average before: $(cut -d' ' -f1-3 /proc/loadavg) on $(nproc) cores"
measure "$scene" | while read wall cpu kb status; do
    echo "thumbnail of $size bytes: median wall $wall s, CPU $cpu s, peak RSS $kb KB, status $status"
done
[ -f "$dir/t.png" ] || { echo "no picture was written"; exit 1; }
measure "$dir/cut.wrl" | while read wall cpu kb status; do
    echo "the same cut in half: median wall $wall s, CPU $cpu s, peak RSS $kb KB, status $status"
done
[ ! -f "$dir/t.png" ] || { echo "a picture was written for the cut file"; exit 1; }
echo "load average after: $(cut -d' ' -f1-3 /proc/loadavg)"
