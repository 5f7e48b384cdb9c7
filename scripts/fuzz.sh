#!/usr/bin/env bash
# Builds the fuzz targets with clang's libFuzzer under AddressSanitizer and
# UndefinedBehaviorSanitizer, and runs each for SECONDS (default 60). New inputs go to
# build-fuzz/corpus/<target>/; a failing input is saved in build-fuzz/artifacts/<target>/ and
# the script exits non-zero. After a fix, copy the input into fuzz/findings/<target>/.
#   usage: scripts/fuzz.sh [SECONDS] [TARGET...]
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-60}
shift || true
build_dir=build-fuzz

CC=clang-14 CXX=clang++-14 cmake -S . -B "$build_dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DTONVALE_FUZZ=ON -DTONVALE_SANITIZE=ON -DTONVALE_BUILD_TESTS=OFF \
  -DTONVALE_BUILD_BENCHMARKS=OFF >/dev/null

if [[ $# -gt 0 ]]; then
  targets=("$@")
else
  targets=()
  for source in fuzz/*_fuzzer.cpp; do
    name=$(basename "$source" _fuzzer.cpp)
    targets+=("$name")
  done
fi
cmake --build "$build_dir" -j"$(nproc)" --target "${targets[@]/%/_fuzzer}"

export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:allocator_may_return_null=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
# libsndfile's codec libraries leak on some files they fail to open; ours never are suppressed.
export LSAN_OPTIONS=${LSAN_OPTIONS:-suppressions=$PWD/fuzz/lsan.supp:print_suppressions=0}
export QT_QPA_PLATFORM=offscreen
status=0
for name in "${targets[@]}"; do
  corpus="$build_dir/corpus/$name"
  artifacts="$build_dir/artifacts/$name/"
  mkdir -p "$corpus" "$artifacts"
  dict=()
  [[ -f "fuzz/dict/$name.dict" ]] && dict=(-dict="fuzz/dict/$name.dict")
  inputs=("$corpus" "fuzz/corpus/$name")
  [[ -d "fuzz/findings/$name" ]] && inputs+=("fuzz/findings/$name")
  echo "== $name: ${seconds}s"
  if ! "$build_dir/fuzz/${name}_fuzzer" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
      -print_final_stats=1 -close_fd_mask=2 "${dict[@]}" -artifact_prefix="$artifacts" \
      "${inputs[@]}" 2>"$build_dir/$name.log"; then
    echo "!! $name failed; see $build_dir/$name.log and $artifacts" >&2
    tail -n 40 "$build_dir/$name.log" >&2
    status=1
  fi
  grep -E '^stat::number_of_executed_units|^stat::peak_rss_mb' "$build_dir/$name.log" || true
done
exit $status
