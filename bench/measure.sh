#!/usr/bin/env bash
# Whole-process measurements of wav2mid against its speed and memory targets, on recordings
# this script generates itself:
#   1. a 3-minute 44.1 kHz stereo song: wav2mid and aubionotes (aubio-tools) on the same file,
#      alternately after one untimed run each, median wall time of 9 runs each; wav2mid should
#      take at most 0.4 x;
#   2. 1 hour and 3 hours of stereo (the song over and over): /usr/bin/time -v of one run each;
#      the hour should take under 10 s, and neither more than 150 MB at its peak;
#   3. 8 songs in a folder: wav2mid -j 1 against -j 2, median of JOB_RUNS runs each; -j 2 should
#      be at least 1.7 x faster, and both must write the same MIDI files.
# Run it on a quiet machine: timings of a loaded one say little.
#
#   bench/measure.sh [--quick] [FOLDER]
#
# FOLDER (default: a new folder under $TMPDIR, removed afterwards) holds the recordings and the
# work files; the long recordings take 0.6 and 1.9 GB of disk. --quick makes every input short
# (a 20-second song, 2 and 4 minutes "long") and runs each case twice, to try the script.
# WAV2MID and WAVEGEN name the programs (default: those of build/); BASE_WAV2MID, when set, is
# an older wav2mid measured beside it in the song case.
set -euo pipefail
# Times are read with a point before the fraction, whatever the caller's locale.
if [[ -n ${LC_ALL:-} ]]; then export LANG=$LC_ALL; unset LC_ALL; fi
export LC_NUMERIC=C

root=$(cd "$(dirname "$0")/.." && pwd)
wav2mid=${WAV2MID:-$root/build/bin/wav2mid}
wavegen=${WAVEGEN:-$root/build/tools/tonvale-wavegen}
base=${BASE_WAV2MID:-}

song_seconds=180 long_minutes=(60 180) runs=9 job_runs=3
if [[ ${1:-} == --quick ]]; then
  song_seconds=20 long_minutes=(2 4) runs=2 job_runs=2
  shift
fi
if [[ $# -gt 0 ]]; then
  folder=$1
  mkdir -p "$folder"
else
  folder=$(mktemp -d "${TMPDIR:-/tmp}/tonvale-measure-XXXXXX")
  trap 'rm -rf "$folder"' EXIT
fi

for program in "$wav2mid" "$wavegen" /usr/bin/time; do
  [[ -x $program ]] || { echo "measure.sh: $program is missing (build first)" >&2; exit 1; }
done
command -v aubionotes >/dev/null || { echo "measure.sh: aubionotes is missing (apt-get install aubio-tools)" >&2; exit 1; }

work=$folder/work
mkdir -p "$work"

# --- inputs ---------------------------------------------------------------------------------

# A song of quarter notes at 120 beats per minute (four partials) over a chord that changes
# every two seconds, moved up `shift` semitones; 44.1 kHz, 16 bits, stereo.
make_song() { # path seconds shift
  local tones
  tones=$(awk -v seconds="$2" -v shift="$3" 'BEGIN {
    split("60 64 67 72 71 67 64 62 65 69 72 74 72 69 65 60", melody, " ")
    split("48 53 55 45", roots, " ")
    for (q = 0; q < seconds * 2; q++)
      printf "%.3f@%.2f+0.45 ", 440 * 2 ^ ((melody[q % 16 + 1] + shift - 69) / 12), q / 2
    for (c = 0; c < seconds / 2; c++)
      for (i = 0; i < 3; i++)
        printf "%.3f@%d+2 ", 440 * 2 ^ ((roots[c % 4 + 1] + shift + (i == 0 ? 0 : i == 1 ? 4 : 7) - 69) / 12), 2 * c
  }')
  # shellcheck disable=SC2086  # one word per tone
  "$wavegen" "$1" --rate 44100 --channels 2 --seconds "$2" --harmonics 4 $tones
}

le32() { printf '\\x%02x\\x%02x\\x%02x\\x%02x' $(($1 & 255)) $((($1 >> 8) & 255)) $((($1 >> 16) & 255)) $((($1 >> 24) & 255)); }

# `times` copies of the song's samples under one header (the song's header is the plain
# 44-byte one: fmt of 16 bytes, then data).
make_long() { # path song times
  [[ $(head -c 40 "$2" | tail -c 4) == data ]] || { echo "measure.sh: $2 has an unusual header" >&2; exit 1; }
  local bytes=$(($(stat -c %s "$2") - 44))
  local data=$((bytes * $3))
  {
    printf 'RIFF'; printf %b "$(le32 $((data + 36)))"
    head -c 36 "$2" | tail -c 28
    printf 'data'; printf %b "$(le32 "$data")"
    for ((i = 0; i < $3; i++)); do tail -c +45 "$2"; done
  } >"$1"
}

song=$folder/song.wav
make_song "$song" "$song_seconds" 0
mkdir -p "$folder/songs"
for k in 0 1 2 3 4 5 6 7; do make_song "$folder/songs/song$k.wav" "$song_seconds" "$k"; done
# The inputs just written must reach the disk first: while the kernel writes them back, the
# work files that a run writes wait for it and the timings say more of the disk than of us.
sync

# --- measuring ------------------------------------------------------------------------------

# Runs a command under /usr/bin/time; sets wall (s, to the millisecond: time's own figure has
# steps of 10 ms, a few percent of a song's run), cpu (user + system) and rss (MB).
timed() {
  local start=$EPOCHREALTIME
  /usr/bin/time -f '%U %S %M' -o "$folder/time.txt" "$@" >/dev/null 2>"$folder/stderr.txt" ||
    { echo "measure.sh: failed: $*" >&2; cat "$folder/stderr.txt" >&2; exit 1; }
  wall=$(awk -v a="$start" -v b="$EPOCHREALTIME" 'BEGIN { printf "%.3f", b - a }')
  read -r user system kb <"$folder/time.txt"
  cpu=$(awk -v u="$user" -v s="$system" 'BEGIN { printf "%.2f", u + s }')
  rss=$(awk -v k="$kb" 'BEGIN { printf "%.1f", k / 1024 }')
}

median() { tr ' ' '\n' | grep -v '^$' | sort -g | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }
verdict() { awk -v v="$1" -v limit="$2" -v how="$3" 'BEGIN { ok = how == "max" ? v <= limit : v >= limit; print ok ? "met" : "NOT met" }'; }

echo "== $(date -u '+%F %T') on $(nproc) cores; load:$(uptime | sed 's/.*load average://')"
echo "   wav2mid: $wav2mid"
summary=()

# 1. The song, wav2mid against aubionotes.
declare -A walls cpus rsses
names=(wav2mid aubionotes)
[[ -n $base ]] && names+=(base)
# One untimed run of each first, so that every timed run finds its program, its libraries and
# the work folder in place.
"$wav2mid" -q --workdir "$work" "$song" >/dev/null 2>&1 || true
[[ -n $base ]] && { "$base" -q --workdir "$work" "$song" >/dev/null 2>&1 || true; }
aubionotes -i "$song" >/dev/null 2>&1 || true
for ((r = 1; r <= runs; r++)); do
  for name in "${names[@]}"; do
    case $name in
      wav2mid) timed "$wav2mid" -q --workdir "$work" "$song" ;;
      base) timed "$base" -q --workdir "$work" "$song" ;;
      aubionotes) timed aubionotes -i "$song" ;;
    esac
    walls[$name]+="$wall " cpus[$name]+="$cpu " rsses[$name]+="$rss "
  done
done
echo "-- ${song_seconds} s stereo song, $runs runs each (wall s / CPU s / peak MB)"
for name in "${names[@]}"; do
  printf '   %-10s wall [%s] median %s; CPU median %s; peak median %s MB\n' "$name" \
    "${walls[$name]% }" "$(median <<<"${walls[$name]}")" "$(median <<<"${cpus[$name]}")" \
    "$(median <<<"${rsses[$name]}")"
done
ratio=$(awk -v a="$(median <<<"${walls[wav2mid]}")" -v b="$(median <<<"${walls[aubionotes]}")" \
  'BEGIN { printf "%.3f", a / b }')
summary+=("song: wav2mid / aubionotes = $ratio (target at most 0.4): $(verdict "$ratio" 0.4 max)")

# 2. The long recordings, one run each.
for minutes in "${long_minutes[@]}"; do
  long=$folder/long$minutes.wav
  make_long "$long" "$song" $((minutes * 60 / song_seconds))
  sync
  echo "-- $minutes minutes of stereo ($(($(stat -c %s "$long") / 1000000)) MB): /usr/bin/time -v"
  /usr/bin/time -v -o "$folder/time-v.txt" "$wav2mid" -q --workdir "$work" "$long" >/dev/null
  grep -E 'Elapsed|User time|System time|Maximum resident' "$folder/time-v.txt" | sed 's/^\s*/   /'
  kb=$(awk -F': ' '/Maximum resident/ { print $2 }' "$folder/time-v.txt")
  wall=$(awk -F': ' '/Elapsed/ { n = split($2, p, ":"); s = 0; for (i = 1; i <= n; i++) s = s * 60 + p[i]; print s }' "$folder/time-v.txt")
  mb=$(awk -v k="$kb" 'BEGIN { printf "%.1f", k / 1024 }')
  summary+=("$minutes min: peak $mb MB (target under 150): $(verdict "$mb" 149.999 max)")
  if [[ $minutes == 60 ]]; then
    summary+=("60 min: $wall s (target under 10 s): $(verdict "$wall" 9.999 max)")
  fi
  rm -f "$long" "$long.mid" "$long.txt"
  sync
done

# 3. Eight songs, one and two files at a time.
for ((r = 1; r <= job_runs; r++)); do
  for jobs in 1 2; do
    timed "$wav2mid" -q -j "$jobs" --workdir "$work" "$folder/songs"
    walls[j$jobs]+="$wall " cpus[j$jobs]+="$cpu "
    md5sum "$folder"/songs/*.mid >"$folder/mid-j$jobs.md5"
  done
done
echo "-- 8 songs of $song_seconds s, $job_runs runs each"
for jobs in 1 2; do
  printf '   -j %s  wall [%s] median %s s; CPU median %s s\n' "$jobs" "${walls[j$jobs]% }" \
    "$(median <<<"${walls[j$jobs]}")" "$(median <<<"${cpus[j$jobs]}")"
done
speedup=$(awk -v a="$(median <<<"${walls[j1]}")" -v b="$(median <<<"${walls[j2]}")" \
  'BEGIN { printf "%.2f", a / b }')
summary+=("8 songs: -j 2 is $speedup x as fast as -j 1 (target at least 1.7): $(verdict "$speedup" 1.7 min)")
if cmp -s "$folder/mid-j1.md5" "$folder/mid-j2.md5"; then
  summary+=("8 songs: -j 1 and -j 2 wrote the same MIDI files")
else
  summary+=("8 songs: -j 1 and -j 2 wrote DIFFERENT MIDI files")
fi

echo "== targets; load:$(uptime | sed 's/.*load average://')"
printf '   %s\n' "${summary[@]}"
