#!/usr/bin/env bash
# Installs what is missing, builds Tonvale, and converts the bundled example (a short melody
# that ends on a C-major chord) into a MIDI file with the wav2mid command line.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
bash scripts/build.sh

demo=build/demo
mkdir -p "$demo"
build/tools/tonvale-wavegen "$demo/melody.wav" --demo
build/bin/wav2mid --workdir "$demo" "$demo/melody.wav"

echo
echo "Recognised notes (the note script $demo/melody.wav.txt):"
tr -d '\r' < "$demo/melody.wav.txt"
echo
echo "MIDI file: $(realpath "$demo/melody.wav.mid")"
