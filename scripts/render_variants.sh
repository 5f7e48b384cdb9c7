#!/usr/bin/env bash
# Renders held-out variants of a rendered transcription set, to check that a method does not
# only fit the set it was tuned on:
#   DIR/timgm   the reference MIDI files rendered with another sound font (TimGM6mb)
#   DIR/reverb  the recordings of SET with a large hall's reverberation added
#   DIR/noise   the recordings of SET with pink noise at -30 dBFS mixed in
# usage: scripts/render_variants.sh SET DIR    (SET holds NAME.wav and NAME.mid)
# Needs: apt-get install fluidsynth timgm6mb-soundfont sox
set -euo pipefail
set_dir=${1:?usage: render_variants.sh SET DIR}
out=${2:?usage: render_variants.sh SET DIR}
sf=/usr/share/sounds/sf2/TimGM6mb.sf2
[[ -f $sf ]] || { echo "render_variants.sh: $sf missing: apt-get install timgm6mb-soundfont" >&2; exit 1; }
mkdir -p "$out/timgm" "$out/reverb" "$out/noise"
for mid in "$set_dir"/*.mid; do
  name=$(basename "$mid" .mid)
  wav="$set_dir/$name.wav"
  [[ -f $wav ]] || continue
  for variant in timgm reverb noise; do cp "$mid" "$out/$variant/$name.mid"; done
  if [[ ! -f $out/timgm/$name.wav ]]; then
    tmp=$(mktemp --suffix=.wav)
    fluidsynth -ni -F "$tmp" -r 44100 "$sf" "$mid" >/dev/null 2>&1
    sox -R "$tmp" -b 16 -c 2 "$out/timgm/$name.wav" gain -n -3
    rm -f "$tmp"
  fi
  [[ -f $out/reverb/$name.wav ]] ||
    sox -R "$wav" "$out/reverb/$name.wav" reverb 60 50 100 100 20 0 gain -n -3
  if [[ ! -f $out/noise/$name.wav ]]; then
    seconds=$(soxi -D "$wav")
    noise=$(mktemp --suffix=.wav)
    sox -R -n -r 44100 -b 16 -c 2 "$noise" synth "$seconds" pinknoise vol 0.0316
    sox -R -m "$wav" "$noise" -b 16 "$out/noise/$name.wav" gain -n -3
    rm -f "$noise"
  fi
done
echo "render_variants.sh: $(ls "$out"/*/*.wav | wc -l) recordings in $out"
