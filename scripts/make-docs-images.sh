#!/usr/bin/env bash
# Makes the README's pictures from the bundled example (the demo's melody that ends on a C-major
# chord): the figures of processes 1 and 2 and of the notes from `wav2mid --figures`, and the main window during
# and after a conversion, taken under Xvfb with the window's developer switches (--wav2mid presses
# the button, --progress-screenshot saves a picture halfway through process 1, --screenshot one
# at the end). Both programs run from an installation in a
# temporary folder, so their settings and work files go to a temporary home; the folder has a
# fixed name, so that the path in the window's picture stays the same from run to run.
#   usage: scripts/make-docs-images.sh      writes docs/main-window.png, docs/window-progress.png,
#                                            docs/figure-process1.png, docs/figure-process2.png
#                                            and docs/figure-notes.png
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/build.sh >/dev/null

work=${TMPDIR:-/tmp}/tonvale-docs-images
rm -rf "$work"
mkdir -p "$work"
trap 'rm -rf "$work"' EXIT
cmake --install build --prefix "$work/prefix" >/dev/null
export HOME=$work/home XDG_RUNTIME_DIR=$work/run SDL_AUDIODRIVER=dummy LC_ALL=C.UTF-8
unset XDG_DATA_HOME QT_QPA_PLATFORM
mkdir -p "$HOME/music"
mkdir -p -m 700 "$XDG_RUNTIME_DIR"
example=$HOME/music/melody.wav
build/tools/tonvale-wavegen "$example" --demo

"$work/prefix/bin/wav2mid" --quiet --figures=enlarged "$example" >/dev/null
mkdir -p docs
cp "$example.process1.png" docs/figure-process1.png
cp "$example.process2.png" docs/figure-process2.png
cp "$example.notes.png" docs/figure-notes.png

rm -f "$example".*
(cd "$HOME/music" &&
  xvfb-run -a -s "-screen 0 1024x768x24" "$work/prefix/bin/tonvale" --wav2mid \
    --progress-screenshot "$work/progress.png" --screenshot "$work/main-window.png" \
    melody.wav 2>"$work/window.log") ||
  { cat "$work/window.log" >&2; exit 1; }
[[ -f $example.mid ]] || { echo "make-docs-images: the window did not convert the example" >&2; exit 1; }
[[ -f $work/progress.png ]] || { echo "make-docs-images: no picture of the progress" >&2; exit 1; }
cp "$work/main-window.png" docs/main-window.png
cp "$work/progress.png" docs/window-progress.png
ls -l docs/main-window.png docs/window-progress.png docs/figure-process1.png \
  docs/figure-process2.png docs/figure-notes.png
