#!/usr/bin/env bash
# Configures and builds Tonvale into build/ (or the folder given as $BUILD_DIR).
# Extra arguments go to the CMake configure step.
set -euo pipefail
cd "$(dirname "$0")/.."
build_dir=${BUILD_DIR:-build}
cmake -S . -B "$build_dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTONVALE_WERROR=ON "$@" >/dev/null
cmake --build "$build_dir" -j"$(nproc)"
