#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test. Non-zero on any failure.
#  1. the ordinary build (build/) and its whole test suite;
#  2. every fuzz target for a few seconds (TONVALE_FUZZ_SECONDS, default 8) over its seed corpus
#     and past findings, built with clang, libFuzzer, AddressSanitizer and UBSan (build-fuzz/);
#  3. the whole test suite again under AddressSanitizer and UBSan, built with GCC
#     (build-asan/). The Qt window and the playback device are left out of this build: they
#     are thin layers over Qt and SDL, and compiling them under the sanitizers would take
#     longer than all the rest. Every other test and every fuzz replay runs there.
#  4. the process commands', the message log's and the analysis stages' tests under
#     ThreadSanitizer (build-tsan/): the processes run on a worker thread beside the window,
#     process 1 reads and filters on one thread while others analyse frames, and peak
#     combination links on one thread while another joins. The window's own tests are left
#     out: Qt's event queue and thread pool are not instrumented, so every queued call from the
#     worker shows as a false race.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
export QT_QPA_PLATFORM=offscreen

echo "== ordinary build and tests"
bash scripts/build.sh
(cd build && ctest --output-on-failure -j"$(nproc)")

echo "== fuzz targets, ${TONVALE_FUZZ_SECONDS:-8} s each"
bash scripts/fuzz.sh "${TONVALE_FUZZ_SECONDS:-8}"

echo "== tests under AddressSanitizer and UndefinedBehaviorSanitizer"
BUILD_DIR=build-asan bash scripts/build.sh -DTONVALE_SANITIZE=ON -DTONVALE_BUILD_GUI=OFF \
  -DTONVALE_BUILD_BENCHMARKS=OFF
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
export LSAN_OPTIONS=${LSAN_OPTIONS:-suppressions=$PWD/fuzz/lsan.supp:print_suppressions=0}
(cd build-asan && ctest --output-on-failure -j"$(nproc)")

echo "== command, log and analysis tests under ThreadSanitizer"
cmake -S . -B build-tsan -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTONVALE_WERROR=ON \
  -DTONVALE_THREAD_SANITIZE=ON -DTONVALE_BUILD_BENCHMARKS=OFF >/dev/null
cmake --build build-tsan -j"$(nproc)" --target tonvale_pipeline_tests tonvale_app_tests \
  tonvale_extraction_tests tonvale_recognition_tests
export TSAN_OPTIONS=${TSAN_OPTIONS:-halt_on_error=1:second_deadlock_stack=1}
for suite in app pipeline extraction recognition; do
  LC_ALL=C.UTF-8 build-tsan/tests/tonvale_${suite}_tests --gtest_brief=1
done
