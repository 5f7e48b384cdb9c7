#!/usr/bin/env python3
"""Converts every recording of a corpus folder with wav2mid and compares the notes with the
reference MIDI files: a transcribed note is right when it starts within 50 ms of a reference
note of the same pitch. Needs midicsv (scripts/install-deps.sh installs it).

usage: scripts/corpus_report.py [CORPUS] [WAV2MID]
  CORPUS   folder of NAME.wav with NAME.mid beside it (default ../shared/corpus)
  WAV2MID  the built command line (default build/bin/wav2mid)
"""
import os
import shutil
import subprocess
import sys
import tempfile

ONSET_TOLERANCE_MS = 50.0


def notes_of(midi_path):
    """(onset in ms, MIDI note) of every note of the file, from its tempo map."""
    rows = [[field.strip() for field in line.split(",")]
            for line in subprocess.run(["midicsv", midi_path], capture_output=True, text=True,
                                       check=True).stdout.splitlines()]
    division = next(int(r[5]) for r in rows if r[2] == "Header")
    tempos = sorted((int(r[1]), int(r[3])) for r in rows if r[2] == "Tempo") or [(0, 500000)]
    if tempos[0][0] != 0:
        tempos.insert(0, (0, 500000))

    def milliseconds(tick):
        ms, last_tick, last_tempo = 0.0, 0, 500000
        for at, tempo in tempos:
            if at > tick:
                break
            ms += (at - last_tick) * last_tempo / division / 1000.0
            last_tick, last_tempo = at, tempo
        return ms + (tick - last_tick) * last_tempo / division / 1000.0

    return [(milliseconds(int(r[1])), int(r[4])) for r in rows
            if r[2] == "Note_on_c" and int(r[5]) > 0]


def matched(notes, against):
    return sum(1 for onset, pitch in notes
               if any(p == pitch and abs(o - onset) <= ONSET_TOLERANCE_MS for o, p in against))


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    corpus = sys.argv[1] if len(sys.argv) > 1 else os.path.join(here, "..", "..", "shared", "corpus")
    wav2mid = sys.argv[2] if len(sys.argv) > 2 else os.path.join(here, "..", "build", "bin", "wav2mid")
    names = sorted(n[:-4] for n in os.listdir(corpus) if n.endswith(".wav"))
    with tempfile.TemporaryDirectory() as work:
        for name in names:
            shutil.copy(os.path.join(corpus, name + ".wav"), work)
        subprocess.run([wav2mid, "--quiet", "--workdir", work] +
                       [os.path.join(work, n + ".wav") for n in names],
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        print(f"{'recording':40} {'ref':>4} {'ours':>5} {'right':>6} {'precision':>9} {'recall':>7}")
        for name in names:
            ours_path = os.path.join(work, name + ".wav.mid")
            reference = notes_of(os.path.join(corpus, name + ".mid"))
            if not os.path.exists(ours_path):
                print(f"{name:40} {len(reference):4}   not converted")
                continue
            ours = notes_of(ours_path)
            right = matched(ours, reference)
            found = matched(reference, ours)
            precision = right / len(ours) if ours else 0.0
            recall = found / len(reference) if reference else 0.0
            print(f"{name:40} {len(reference):4} {len(ours):5} {right:6} {precision:9.0%} {recall:7.0%}")


if __name__ == "__main__":
    main()
