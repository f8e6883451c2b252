#!/bin/sh
# Fuzz targets for the file readers of the core, built with clang's
# libFuzzer under AddressSanitizer + UndefinedBehaviorSanitizer. Not part of
# the main build or CI.
#
#   fuzz/build.sh [build-dir]          # default build-fuzz (needs clang-14,
#                                      # libclang-rt-14-dev, libjpeg-dev,
#                                      # libpng-dev, libgif-dev, libstb-dev,
#                                      # zlib1g-dev)
#   fuzz/run.sh <target> <seconds>     # e.g. fuzz/run.sh open_document 600
#   (QV_FUZZ_FLAGS adds libFuzzer options, e.g. -max_len=65536)
#
# or by hand, from the repository root:
#   mkdir -p build-fuzz/corpus-open_document
#   build-fuzz/fuzz_open_document -timeout=5 -rss_limit_mb=2048 \
#       -malloc_limit_mb=1024 -max_total_time=600 \
#       build-fuzz/corpus-open_document samples ../shared/corpus
#
# Targets: fuzz_open_document (VRML 1/2, X, building, grid, point set by
# first bytes), fuzz_binary (.wrb), fuzz_lod (.lod; QV_FUZZ_SAMPLES points
# at samples/ for the levels), fuzz_image (BMP, JPEG, RAW, lumi, PNG, GIF, TGA),
# fuzz_gzip (compressed scene files through the document open),
# fuzz_mesh_import (glTF, OBJ, STL, PLY, 3DS, COLLADA, OFF through the asset
# library; seeds from the core tests, see run.sh), fuzz_thumbnail (the
# thumbnailer's size estimate, read of every format and View All framing),
# fuzz_scene_nodes (text, sky, fog, pixel images; seeds in fuzz/seeds). Each runs
# the scene operations (compile preparation, statistics, edge test, dump,
# binary round trip) on what was read.
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
out=${1:-$root/build-fuzz}
cc=${CC:-clang-14}
cxx=${CXX:-clang++-14}
flags="-g -O1 -fno-omit-frame-pointer -fsanitize=address,undefined -fno-sanitize-recover=undefined"
cmake -S "$root" -B "$out" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DCMAKE_C_COMPILER="$cc" -DCMAKE_CXX_COMPILER="$cxx" \
    -DCMAKE_C_FLAGS="$flags -fsanitize=fuzzer-no-link" \
    -DCMAKE_CXX_FLAGS="$flags -fsanitize=fuzzer-no-link" \
    -DQV_BUILD_GUI=OFF -DQV_BUILD_RENDER=OFF -DQV_BUILD_TESTS=OFF -DQV_BUILD_BENCH=OFF >/dev/null
cmake --build "$out" --target qvcore -j2
for t in open_document binary lod image gzip mesh_import thumbnail; do
    "$cxx" -std=c++20 $flags -fsanitize=fuzzer -I"$root/src" -I"$root/fuzz" \
        "$root/fuzz/fuzz_$t.cpp" "$out/libqvcore.a" "$out/libqvbase.a" -ljpeg -lpng -lgif -lstb -lz -lfreetype -lfontconfig \
        -lassimp -ltinygltf \
        -o "$out/fuzz_$t"
done
# Text, sky, fog and pixel images, with the render layer's outline tessellator.
"$cxx" -std=c++20 $flags -fsanitize=fuzzer -I"$root/src" -I"$root/fuzz" -I/usr/include/freetype2 \
    "$root/fuzz/fuzz_scene_nodes.cpp" "$root/src/render/outline_tess.cpp" "$out/libqvcore.a" "$out/libqvbase.a" \
    -ljpeg -lpng -lgif -lstb -lz -lfreetype -lfontconfig -lassimp -ltinygltf -lGLU -lGL -o "$out/fuzz_scene_nodes"
echo "built in $out"
