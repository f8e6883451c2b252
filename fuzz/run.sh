#!/bin/sh
# Runs one fuzz target for a given time with the seeds that suit it:
#   fuzz/run.sh open_document|binary|lod|image|gzip|scene_nodes|mesh_import|thumbnail <seconds> [build-dir]
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
t=$1; secs=$2; out=${3:-$root/build-fuzz}
corpus=$out/corpus-$t
mkdir -p "$corpus" "$out/crashes-$t"
case $t in
    open_document|gzip) seeds="$root/samples $root/fuzz/seeds $root/../shared/corpus" ;;
    scene_nodes) seeds="$root/fuzz/seeds/scene_nodes" ;;
    binary) seeds=""; cp "$root/samples/house.wrb" "$corpus/" ;;
    mesh_import) seeds=""
        # Seeds: the small files of each format that the core tests make,
        # behind the byte that names their kind.
        QV_FUZZ_SEED_DIR="$corpus" "$root/build/tests/qv_core_tests" --gtest_filter='MeshFuzzSeeds.*' >/dev/null ;;
    thumbnail) seeds=""
        # Seeds: the samples, the real-world scenes and the core tests' small
        # files of the mesh formats, behind the bytes that name their kind
        # (the target's table of names) and the time.
        n=0
        for f in "$root"/samples/* "$root"/../shared/repro/real-world/*; do
            [ -f "$f" ] || continue
            case $f in
                *.wrl) k=0 ;; *.wrz|*.gz) k=1 ;; *.wrb) k=2 ;; *.x) k=3 ;; *.ign) k=4 ;; *.igz) k=5 ;;
                *.lod) k=6 ;; *.pts) k=7 ;; *) continue ;;
            esac
            n=$((n + 1))
            { printf "\\$(printf %03o $k)\\000"; head -c 65536 "$f"; } > "$corpus/seed$n"
        done
        mesh=$(mktemp -d)
        QV_FUZZ_SEED_DIR="$mesh" "$root/build/tests/qv_core_tests" --gtest_filter='MeshFuzzSeeds.*' >/dev/null
        for f in "$mesh"/*; do
            k=$(( $(od -An -tu1 -N1 "$f") + 8 ))
            n=$((n + 1))
            { printf "\\$(printf %03o $k)\\000"; tail -c +2 "$f"; } > "$corpus/seed$n"
        done
        rm -rf "$mesh" ;;
    lod) seeds=""; cp "$root/samples/levels.lod" "$corpus/" ;;
    image) seeds=""
        # Seeds: the sample and corpus images behind their kind byte.
        n=0
        for f in "$root"/samples/*.bmp "$root"/../shared/corpus/*/*/*.bmp \
                 "$root"/../shared/corpus/*/*/*.jpg "$root"/../shared/corpus/*/*/*/*.jpg \
                 "$root"/../shared/corpus/*/*/*.png "$root"/../shared/corpus/*/*/*/*.png \
                 "$root"/../shared/corpus/*/*/*.gif "$root"/../shared/corpus/*/*/*/*.gif; do
            [ -f "$f" ] || continue
            case $f in *.bmp) k='\000' ;; *.png) k='\004' ;; *.gif) k='\005' ;; *) k='\001' ;; esac
            n=$((n + 1))
            { printf "$k"; head -c 65536 "$f"; } > "$corpus/seed$n"
        done ;;
esac
[ -d "$root/../shared/corpus" ] || seeds=$(echo "$seeds" | sed "s|$root/../shared/corpus||")
export QV_FUZZ_SAMPLES="$root/samples"
# The mesh library's own leaks on files it refuses are not ours to find.
export LSAN_OPTIONS="suppressions=$root/scripts/lsan.supp${LSAN_OPTIONS:+:$LSAN_OPTIONS}"
cd "$out/crashes-$t"
exec "$out/fuzz_$t" -timeout=5 -rss_limit_mb=2048 -malloc_limit_mb=1024 \
    -max_total_time="$secs" -print_final_stats=1 ${QV_FUZZ_FLAGS:-} "$corpus" $seeds
