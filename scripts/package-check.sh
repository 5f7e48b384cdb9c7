#!/usr/bin/env bash
# Checks the Debian package the way a user meets it. Builds dist/tonvale_*.deb, installs it with
# apt-get (its declared dependencies only, no recommended packages), and then, in a temporary
# home folder: the files of the package are in place, the menu entry and the AppStream metadata
# validate, the copyright file and --version are right, the installed
# window starts under Xvfb, selects a generated recording from its command line and converts
# it, the installed wav2mid converts it too, the recording and the MIDI file play (into a file)
# on the libraries the package brought in, and the work files land in the user's data folder
# (~/.local/share/tonvale/ or $XDG_DATA_HOME/tonvale/), never beside /usr/bin. At the end the
# package, and every package its installation brought in, is removed again.
#
#   usage: scripts/package-check.sh [--fresh] [--no-build]
#     --fresh     install into a minimal Debian 12 system that debootstrap makes in a temporary
#                 folder, instead of into this machine: shows that the declared dependencies
#                 are enough on a machine that has nothing else (needs the network, ~2 minutes)
#     --no-build  check the package already in dist/
# Runs as root, like scripts/install-deps.sh. Exit status 0 when every check passed.
set -euo pipefail

# ---- The checks on an installed system (here, or inside the fresh system) ----

fail() {
  echo "package-check: FAILED: $*" >&2
  exit 1
}
pass() { echo "package-check: ok: $*"; }

# Width and height of a PNG file, from its IHDR chunk.
png_size() {
  local bytes
  bytes=$(od -An -tu1 -j16 -N8 "$1" | tr -s ' \n' ' ')
  read -r w1 w2 w3 w4 h1 h2 h3 h4 <<<"$bytes"
  echo "$(((w1 << 24) | (w2 << 16) | (w3 << 8) | w4))x$(((h1 << 24) | (h2 << 16) | (h3 << 8) | h4))"
}

# Notes switched on in a MIDI file.
count_notes() {
  midicsv "$1" | awk -F', *' '$3 == "Note_on_c" && $6 > 0 { n++ } END { print n + 0 }'
}

# $1: a folder holding melody.wav, writable by the user who runs the checks.
check_installed() {
  local dir=$1
  cd "$dir"
  unset XDG_DATA_HOME QT_QPA_PLATFORM
  export XDG_RUNTIME_DIR=$dir/run LC_ALL=C.UTF-8
  mkdir -p -m 700 "$XDG_RUNTIME_DIR"

  [[ $(command -v tonvale) == /usr/bin/tonvale && $(command -v wav2mid) == /usr/bin/wav2mid ]] ||
    fail "tonvale and wav2mid are not in /usr/bin"
  local file
  for file in /usr/share/tonvale/readme.html /usr/share/tonvale/settings_default.txt \
    /usr/share/applications/tonvale.desktop /usr/share/man/man1/wav2mid.1.gz \
    /usr/share/man/man1/tonvale.1.gz; do
    [[ -s $file ]] || fail "$file is missing"
  done
  local size
  for size in 16 22 24 32 48 64 128 256; do
    file=/usr/share/icons/hicolor/${size}x${size}/apps/tonvale.png
    [[ -f $file && $(png_size "$file") == "${size}x${size}" ]] || fail "no ${size}px icon"
  done
  [[ $(zcat /usr/share/man/man1/wav2mid.1.gz) == .TH\ WAV2MID\ 1* ]] || fail "wav2mid(1) is no man page"
  pass "binaries, help page, default settings, menu entry, icons and man pages are installed"

  local desktop=/usr/share/applications/tonvale.desktop
  desktop-file-validate "$desktop" || fail "the menu entry is invalid"
  grep -qx 'Exec=tonvale %f' "$desktop" && grep -qx 'MimeType=audio/x-wav;.*audio/flac;.*audio/mpeg;' "$desktop" ||
    fail "the menu entry does not open recordings with tonvale"
  pass "desktop-file-validate accepts the menu entry; it opens WAVE, FLAC, Ogg, MP3 and AIFF files"

  # The software centres' entry: valid without the network (the project serves its pictures
  # from no address of its own, so the package lists none), and the same MIME types as the
  # menu entry. The id is the program's name: the project owns no domain to reverse.
  local metainfo=/usr/share/metainfo/tonvale.metainfo.xml
  appstreamcli validate --no-net --pedantic --override=cid-desktopapp-is-not-rdns=info \
    "$metainfo" || fail "appstreamcli does not accept $metainfo"
  local menu_types metainfo_types
  menu_types=$(sed -n 's/^MimeType=//p' "$desktop" | tr ';' '\n' | sed '/^$/d')
  metainfo_types=$(sed -n 's|.*<mediatype>\(.*\)</mediatype>.*|\1|p' "$metainfo")
  [[ -n $menu_types && $menu_types == "$metainfo_types" ]] ||
    fail "the metadata's MIME types ($(echo $metainfo_types)) differ from the menu entry's"
  pass "appstreamcli validates the AppStream metadata; it lists the menu entry's MIME types"

  # The license: a machine-readable copyright file, and the version the package was built as.
  local copyright=/usr/share/doc/tonvale/copyright version
  [[ $(head -1 "$copyright") == "Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/" ]] &&
    grep -qx 'Files: \*' "$copyright" && [[ $(grep -cx 'License: MIT' "$copyright") -eq 2 ]] &&
    grep -qx ' Permission is hereby granted, free of charge, to any person obtaining a copy' \
      "$copyright" || fail "$copyright is no DEP-5 copyright file with the MIT license"
  version=$(dpkg-query -W -f='${Version}' tonvale)
  version=${version%-*}
  [[ $(wav2mid --version | head -1) == "wav2mid (Tonvale) $version" &&
    $(tonvale --version | head -1) == "tonvale (Tonvale) $version" ]] ||
    fail "--version does not print the package's version $version"
  pass "the MIT license is in $copyright; both programs print version $version"

  # (Outputs are held in variables: a grep -q that stops reading fails a pipeline under pipefail.)
  local fonts
  fonts=$(fc-list : family)
  [[ $fonts == *IPAPGothic* ]] || fail "the window's Japanese font (IPAPGothic) is not installed"
  [[ $fonts == *"Liberation Sans"* ]] || fail "the figures' font (Liberation Sans) is not installed"
  pass "the fonts of the window and the figures are installed"

  [[ -r /usr/share/sounds/sf2/default-GM.sf2 ]] || fail "no General MIDI SoundFont to play MIDI files"
  pass "a General MIDI SoundFont is installed"

  [[ $(tonvale --help) == "usage: tonvale [FILE.wav]"* ]] || fail "tonvale --help"
  [[ $(wav2mid --help) == "usage: wav2mid"* ]] || fail "wav2mid --help"

  # The window, as the menu entry starts it with a file; the developers' switches convert the
  # file and take a picture, so that nobody has to press a button.
  export HOME=$dir/home-window
  mkdir -p "$HOME"
  local data=$HOME/.local/share/tonvale
  xvfb-run -a -s "-screen 0 1024x768x24" tonvale --wav2mid --screenshot "$dir/window.png" \
    melody.wav 2>"$dir/window.log" || { cat "$dir/window.log" >&2; fail "tonvale did not run"; }
  [[ -f $dir/window.png && $(png_size "$dir/window.png") == 576x519 ]] ||
    fail "tonvale showed no 576x519 window"
  [[ -f $data/設定変更.txt ]] || fail "the window did not give $data its settings file"
  [[ -f $data/PeakExtraction.txt && -f $data/PeakCombination.txt ]] ||
    fail "the window's work files are not in $data"
  [[ $(count_notes melody.wav.mid) -ge 4 ]] || fail "the window wrote no MIDI notes"
  pass "tonvale showed its window under Xvfb, selected melody.wav and converted it: $(count_notes melody.wav.mid) notes, work files in ~/.local/share/tonvale/"

  # The command line, in a home of its own.
  rm -f melody.wav.txt melody.wav.mid
  export HOME=$dir/home-cli
  mkdir -p "$HOME"
  data=$HOME/.local/share/tonvale
  wav2mid melody.wav >"$dir/wav2mid.log" 2>&1 || { cat "$dir/wav2mid.log" >&2; fail "wav2mid failed"; }
  [[ -f melody.wav.txt && -f melody.wav.mid ]] || fail "wav2mid wrote no note script or MIDI file"
  [[ $(head -c 4 melody.wav.mid) == MThd ]] || fail "melody.wav.mid is no MIDI file"
  local notes
  notes=$(count_notes melody.wav.mid)
  [[ $notes -ge 4 ]] || fail "melody.wav.mid holds $notes notes"
  [[ -f $data/設定変更.txt && -f $data/PeakExtraction.txt && -f $data/PeakCombination.txt ]] ||
    fail "the settings and work files are not in $data"
  pass "wav2mid converted melody.wav: $notes notes; settings and work files in ~/.local/share/tonvale/"

  # The window's playback device, through the test tool tonvale-play (built with the package,
  # not part of it) on the libraries the package brought in; SDL writes the sound to a file.
  local kind heard
  for kind in wave midi; do
    heard=$dir/heard-$kind.raw
    if [[ $kind == wave ]]; then
      SDL_AUDIODRIVER=disk SDL_DISKAUDIOFILE=$heard ./tonvale-play melody.wav --seconds 1 ||
        fail "the recording could not be played"
    else
      SDL_AUDIODRIVER=disk SDL_DISKAUDIOFILE=$heard ./tonvale-play melody.wav.mid --midi \
        --seconds 1 || fail "the MIDI file could not be played"
    fi
    [[ $(tr -d '\0' <"$heard" | wc -c) -gt 0 ]] || fail "playing the $kind file gave silence"
  done
  pass "the recording and its MIDI file play (SDL2, libsndfile, FluidSynth and the SoundFont)"

  XDG_DATA_HOME=$dir/xdg wav2mid --quiet melody.wav >/dev/null 2>&1 || fail "wav2mid with XDG_DATA_HOME"
  [[ -f $dir/xdg/tonvale/PeakExtraction.txt ]] || fail "XDG_DATA_HOME was not followed"
  pass "with XDG_DATA_HOME set, the work files go to \$XDG_DATA_HOME/tonvale/"

  for file in 設定変更.txt Wave_File_Format.txt PeakExtraction.txt PeakCombination.txt; do
    [[ ! -e /usr/bin/$file ]] || fail "/usr/bin/$file was written"
  done
  pass "nothing was written beside /usr/bin"
}

if [[ ${1:-} == --inside ]]; then
  check_installed "$2"
  exit 0
fi

# ---- Building, installing and removing ----

fresh=0
build=1
for argument in "$@"; do
  case $argument in
    --fresh) fresh=1 ;;
    --no-build) build=0 ;;
    *) echo "usage: scripts/package-check.sh [--fresh] [--no-build]" >&2; exit 2 ;;
  esac
done
if [[ $(id -u) -ne 0 ]]; then
  echo "package-check: installs a package, so it runs as root" >&2
  exit 1
fi
cd "$(dirname "$0")/.."
self=$PWD/scripts/package-check.sh
if [[ $build -eq 1 ]]; then
  bash scripts/package.sh
else
  bash scripts/install-deps.sh
fi
shopt -s nullglob
debs=(dist/tonvale_*.deb)
[[ ${#debs[@]} -eq 1 ]] || fail "expected one package in dist/, found ${#debs[@]}"
deb=$PWD/${debs[0]}
# The test tools of the package's own build: the example's maker and the playback tool.
tools=${BUILD_DIR:-build-package}/tools
wavegen=$tools/tonvale-wavegen
player=$tools/tonvale-play
[[ -x $wavegen && -x $player ]] || fail "no $wavegen or $player; run scripts/package.sh"
echo "package-check: $(basename "$deb")"
shot=$PWD/dist/package-check-window.png
dpkg-deb -f "$deb" Depends

work=$(mktemp -d /var/tmp/tonvale-package-check.XXXXXX)
export DEBIAN_FRONTEND=noninteractive

if [[ $fresh -eq 0 ]]; then
  # This machine: the check must leave it as it was.
  if dpkg-query -W -f='${Status}' tonvale 2>/dev/null | grep -q 'install ok installed'; then
    rm -rf "$work"
    fail "tonvale is installed on this machine already; remove it first (apt-get purge tonvale)"
  fi
  dpkg-query -W -f='${Package}:${Architecture}\n' | sort >"$work/before.txt"
  cleanup() {
    apt-get purge -y -qq tonvale >/dev/null 2>&1 || true
    dpkg-query -W -f='${Package}:${Architecture}\n' | sort >"$work/after.txt"
    local brought
    brought=$(comm -13 "$work/before.txt" "$work/after.txt")
    if [[ -n $brought ]]; then
      echo "package-check: removing what the installation brought in: $(echo $brought)"
      # shellcheck disable=SC2086
      apt-get purge -y -qq $brought >/dev/null
    fi
    rm -rf "$work"
  }
  trap cleanup EXIT
  install=(apt-get install -y -qq --no-install-recommends "$deb")
  "${install[@]}" >/dev/null || { apt-get update -qq && "${install[@]}" >/dev/null; }
  mkdir -p "$work/check"
  "$wavegen" "$work/check/melody.wav" --demo
  cp "$player" "$work/check/"
  (check_installed "$work/check")
  cp "$work/check/window.png" "$shot"
  echo "package-check: passed on this machine (the window: $shot); the package is removed again"
  exit 0
fi

# A fresh Debian 12: debootstrap's smallest system, the package, and the tools of the checks
# (Xvfb, midicsv, desktop-file-validate, appstreamcli). The checks run as a user without rights
# on /usr.
if ! command -v debootstrap >/dev/null; then
  apt-get install -y -qq --no-install-recommends debootstrap >/dev/null ||
    { apt-get update -qq && apt-get install -y -qq --no-install-recommends debootstrap >/dev/null; }
fi
root=$work/root
cleanup() {
  if mountpoint -q "$root/proc"; then umount "$root/proc"; fi
  # Never delete through a mount that is still there.
  if grep -q " $root" /proc/mounts; then
    echo "package-check: $root still has mounts; left in place" >&2
    return
  fi
  rm -rf --one-file-system "$work"
}
trap cleanup EXIT
echo "package-check: making a fresh Debian 12 system in $root"
debootstrap --variant=minbase bookworm "$root" >"$work/debootstrap.log" 2>&1 ||
  { tail -20 "$work/debootstrap.log" >&2; fail "debootstrap"; }
mount -t proc proc "$root/proc"
mkdir -p "$root/check"
cp "$deb" "$root/check/"
cp "$self" "$root/check/package-check.sh"
cp "$player" "$root/check/"
"$wavegen" "$root/check/melody.wav" --demo
chroot "$root" apt-get update -qq
chroot "$root" apt-get install -y -qq --no-install-recommends "/check/$(basename "$deb")" \
  xvfb xauth midicsv desktop-file-utils appstream >"$work/install.log" 2>&1 ||
  { tail -20 "$work/install.log" >&2; fail "the package did not install on a fresh system"; }
chroot "$root" useradd --create-home listener
chroot "$root" chown -R listener /check
chroot --userspec=listener:listener "$root" env -i PATH=/usr/bin:/bin \
  bash /check/package-check.sh --inside /check
cp "$root/check/window.png" "$shot"
echo "package-check: passed on a fresh Debian 12 system (the window: $shot)"
