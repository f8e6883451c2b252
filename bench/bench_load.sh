#!/bin/sh
# Whole-process load time and peak memory of `quorvel --info` on tiles_1m.
# usage: bench/bench_load.sh BUILD_DIR [SCENE_DIR]
set -e
build=${1:-build}
dir=${2:-/tmp/benchscenes}
[ -f "$dir/tiles_1m.v2.wrl" ] || python3 "$(dirname "$0")/../../shared/bench/gen_scenes.py" --out "$dir" --only tiles_1m >/dev/null
for f in tiles_1m.v2.wrl tiles_1m.v1.wrl; do
    size=$(stat -c %s "$dir/$f")
    for i in 1 2 3 4 5; do
        /usr/bin/time -f "%e %M" "$build/quorvel" --info "$dir/$f" 2>&1 >/dev/null | tail -1
    done | sort -n | sed -n 3p | while read t kb; do
        echo "$f: median $t s, $(echo "$size / $t / 1000000" | bc) MB/s, peak RSS $kb KB, file $size bytes"
    done
done
