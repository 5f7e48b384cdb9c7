#!/usr/bin/env bash
# Installs the Debian 12 packages that Tonvale needs to build, test and run. Only missing
# packages are installed, so a second run takes a moment. Runs as root, or through sudo.
set -euo pipefail

packages=(
  # build
  g++ cmake ninja-build pkg-config
  # window, playback, sound font, fonts
  qt6-base-dev libgl-dev libxcb1-dev libsdl2-dev libfluidsynth-dev libsndfile1-dev
  timgm6mb-soundfont fonts-ipafont-gothic fonts-liberation fonts-dejavu-core
  # the Debian package (dpkg-shlibdeps, file) and its checks (desktop-file-validate,
  # appstreamcli)
  dpkg-dev file desktop-file-utils appstream
  # tests, benchmarks, fuzzing
  libgtest-dev libgmock-dev libbenchmark-dev midicsv xvfb xauth clang-14 libclang-rt-14-dev
)

missing=()
for package in "${packages[@]}"; do
  status=$(dpkg-query -W -f='${Status}' "$package" 2>/dev/null || true)
  [[ "$status" == "install ok installed" ]] || missing+=("$package")
done
if [[ ${#missing[@]} -eq 0 ]]; then
  exit 0
fi

as_root=()
if [[ $(id -u) -ne 0 ]]; then
  if command -v sudo >/dev/null; then
    as_root=(sudo)
  else
    echo "install-deps: these packages are missing and installing them needs root: ${missing[*]}" >&2
    exit 1
  fi
fi

echo "install-deps: installing ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
"${as_root[@]}" apt-get update -qq
"${as_root[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
