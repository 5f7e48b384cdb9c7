#!/usr/bin/env bash
# Builds the Debian package of Tonvale into dist/: the build type the tests use, for /usr, in
# build-package/ (or $BUILD_DIR), without tests or benchmarks; CPack strips and packs it.
# Prints the package's path.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
build_dir=${BUILD_DIR:-build-package}
cmake -S . -B "$build_dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_INSTALL_PREFIX=/usr \
  -DTONVALE_WERROR=ON -DTONVALE_BUILD_TESTS=OFF -DTONVALE_BUILD_BENCHMARKS=OFF >/dev/null
cmake --build "$build_dir" -j"$(nproc)"
rm -rf "$build_dir/cpack"
cpack --config "$build_dir/CPackConfig.cmake" -B "$PWD/$build_dir/cpack" >/dev/null
mkdir -p dist
shopt -s nullglob
debs=("$build_dir"/cpack/*.deb)
if [[ ${#debs[@]} -ne 1 ]]; then
  echo "package: expected one package in $build_dir/cpack, found ${#debs[@]}" >&2
  exit 1
fi
rm -f dist/tonvale_*.deb
cp "${debs[0]}" dist/
echo "dist/$(basename "${debs[0]}")"
