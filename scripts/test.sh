#!/usr/bin/env bash
# Installs dependencies, builds, and runs every test:
#  1. the whole suite (core, GL render, Qt GUI) under a virtual X server;
#  2. the Debian package built from it, checked (scripts/check-package.sh),
#     and the sample and real-world scenes exported to glTF and validated
#     (scripts/check-exports.sh --quick);
#  3. the core suite again under AddressSanitizer + UndefinedBehaviorSanitizer;
#  4. the tests of the work done on a second thread under ThreadSanitizer.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
bash scripts/build.sh

export XDG_RUNTIME_DIR="${XDG_RUNTIME_DIR:-$(mktemp -d)}"
status=0
echo "== full suite (Xvfb) =="
xvfb-run -a -s "-screen 0 1280x1024x24 -noreset" \
  ctest --test-dir build --output-on-failure -j"$(nproc)" --timeout 600 || status=1

echo "== Debian package: contents, the unpacked program, metainfo =="
bash scripts/check-package.sh build || status=1

echo "== exports: samples and real-world scenes to .glb, glTF validator, triangles read back =="
bash scripts/check-exports.sh --quick || status=1

echo "== core suite under ASan+UBSan =="
cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DQV_SANITIZE=ON \
  -DQV_BUILD_GUI=OFF -DQV_BUILD_RENDER=OFF -DQV_BUILD_BENCH=OFF >/dev/null
cmake --build build-asan -j"$(nproc)" --target qv_core_tests
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1 LSAN_OPTIONS=suppressions=$PWD/scripts/lsan.supp \
  ctest --test-dir build-asan --output-on-failure -j"$(nproc)" --timeout 900 || status=1

echo "== view and render layers under ASan+UBSan (off-screen GL; leak checks off: the GL driver keeps its own) =="
cmake -S . -B build-asan-gl -G Ninja -DCMAKE_BUILD_TYPE=Debug -DQV_SANITIZE=ON \
  -DQV_BUILD_GUI=OFF -DQV_BUILD_RENDER=ON -DQV_BUILD_BENCH=OFF >/dev/null
cmake --build build-asan-gl -j"$(nproc)" --target qv_render_tests qv_view_tests quorvel
for t in qv_render_tests qv_view_tests; do
  ASAN_OPTIONS=detect_leaks=0:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1 \
    QV_SOURCE_DIR="$PWD" build-asan-gl/tests/$t || status=1
done

echo "== reading and preparing on two threads under ThreadSanitizer (a few tests) =="
cmake -S . -B build-tsan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DQV_SANITIZE_THREAD=ON \
  -DQV_BUILD_GUI=OFF -DQV_BUILD_RENDER=ON -DQV_BUILD_BENCH=OFF >/dev/null
cmake --build build-tsan -j"$(nproc)" --target qv_core_tests qv_render_tests
export TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1 suppressions=$PWD/scripts/tsan.supp"
QV_SOURCE_DIR="$PWD" build-tsan/tests/qv_core_tests \
  --gtest_filter='BackgroundOpen.*:LayoutLookAside.*:ListsAhead.*:HeldReporter.*:TwoThreadObjects.*:OpenDocument.*' || status=1
QV_SOURCE_DIR="$PWD" build-tsan/tests/qv_render_tests \
  --gtest_filter='Snapshot.NormalsOnTwoThreadsDrawAsOnOne:Snapshot.MissingFileFailsWithAReason:Samples/SampleBaseline.*:FirstFrame.*' || status=1
unset TSAN_OPTIONS

exit $status
