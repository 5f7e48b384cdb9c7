#!/usr/bin/python3
"""Converts every recording of a corpus folder with wav2mid and scores the notes against the
reference MIDI files beside them, by category.

A transcribed note is right when its onset lies within 50 ms of a reference note whose pitch
is within 50 cents, each reference note matched at most once (mir_eval's note metric with
offsets ignored: a maximum bipartite matching). Drum notes (channel 10) are left out of the
references. The category of a recording is its file-name prefix before the first "_"
(mono_..., poly_..., game_...).

usage: scripts/corpus_report.py [--method faithful|refined|both] [--wav2mid PATH]
                                [--md FILE] [--keep DIR] [--jobs N] [CORPUS]
  CORPUS     folder of NAME.wav with NAME.mid beside it (default ../shared/corpus)
  --wav2mid  the built command line (default build/bin/wav2mid)
  --md       also write the tables as Markdown to FILE
  --keep     convert in DIR (kept afterwards) instead of a temporary folder
  --jobs     recordings converted at once (default: the number of processors)
Needs mir_eval and numpy (Debian: python3-mir-eval).
"""
import argparse
import os
import shutil
import struct
import subprocess
import sys
import tempfile

DRUM_CHANNEL = 9


def read_notes(path, all_channels=False):
    """(onset s, offset s, MIDI note) of every note of a Standard MIDI File, with its tempo map."""
    data = open(path, "rb").read()
    start = data.find(b"MThd")
    if start < 0:
        return []
    division = struct.unpack(">H", data[start + 12:start + 14])[0]
    pos = start + 8 + struct.unpack(">I", data[start + 4:start + 8])[0]
    events, tempos = [], []
    while pos + 8 <= len(data):
        kind, length = data[pos:pos + 4], struct.unpack(">I", data[pos + 4:pos + 8])[0]
        body, end = pos + 8, min(len(data), pos + 8 + length)
        if kind == b"MTrk":
            tick, status, p = 0, 0, body
            while p < end:
                delta = 0
                while p < end:
                    b = data[p]
                    p += 1
                    delta = (delta << 7) | (b & 0x7F)
                    if not b & 0x80:
                        break
                tick += delta
                if p >= end:
                    break
                b = data[p]
                if b == 0xFF:
                    meta, p = data[p + 1], p + 2
                    n = 0
                    while p < end:
                        c = data[p]
                        p += 1
                        n = (n << 7) | (c & 0x7F)
                        if not c & 0x80:
                            break
                    if meta == 0x51 and n >= 3:
                        tempos.append((tick, (data[p] << 16) | (data[p + 1] << 8) | data[p + 2]))
                    p += n
                    status = 0
                    continue
                if b in (0xF0, 0xF7):
                    p += 1
                    n = 0
                    while p < end:
                        c = data[p]
                        p += 1
                        n = (n << 7) | (c & 0x7F)
                        if not c & 0x80:
                            break
                    p += n
                    continue
                if b & 0x80:
                    status, p = b, p + 1
                if status == 0:
                    p += 1
                    continue
                size = 1 if status & 0xF0 in (0xC0, 0xD0) else 2
                d1 = data[p] if p < end else 0
                d2 = data[p + 1] if size == 2 and p + 1 < end else 0
                p += size
                if status & 0xF0 in (0x80, 0x90):
                    events.append((tick, status & 0x0F, d1, status & 0xF0 == 0x90 and d2 > 0))
        pos = end
    tempos.sort()

    def seconds(tick):
        total, last_tick, tempo = 0.0, 0, 500000
        for at, value in tempos:
            if at > tick:
                break
            total += (at - last_tick) * tempo / division / 1e6
            last_tick, tempo = at, value
        return total + (tick - last_tick) * tempo / division / 1e6

    events.sort(key=lambda e: (e[0], e[3]))  # offs before ons at the same tick
    sounding, notes = {}, []
    for tick, channel, pitch, on in events:
        if channel == DRUM_CHANNEL and not all_channels:
            continue
        key = (channel, pitch)
        if key in sounding:
            begin = sounding.pop(key)
            notes.append((seconds(begin), seconds(tick), pitch))
        if on:
            sounding[key] = tick
    for (channel, pitch), begin in sounding.items():
        notes.append((seconds(begin), seconds(begin) + 0.1, pitch))
    return sorted(notes)


def score(reference, estimate):
    import numpy as np
    import mir_eval

    def arrays(notes):
        if not notes:
            return np.zeros((0, 2)), np.zeros(0)
        intervals = np.array([[on, max(off, on + 0.001)] for on, off, _ in notes])
        pitches = np.array([440.0 * 2 ** ((p - 69) / 12.0) for _, _, p in notes])
        return intervals, pitches

    ri, rp = arrays(reference)
    ei, ep = arrays(estimate)
    if len(rp) == 0 or len(ep) == 0:
        return 0.0, 0.0, 0.0
    p, r, f, _ = mir_eval.transcription.precision_recall_f1_overlap(ri, rp, ei, ep,
                                                                   offset_ratio=None)
    return p, r, f


def convert(wav2mid, method, work, names, jobs):
    """Converts the recordings in `jobs` parallel runs, each with a work folder of its own."""
    runs = []
    for j in range(jobs):
        folder = os.path.join(work, f".run{j}")
        os.makedirs(folder, exist_ok=True)
        runs.append(subprocess.Popen([wav2mid, "--quiet", "--" + method, "--workdir", folder] +
                                     [os.path.join(work, n + ".wav") for n in names[j::jobs]],
                                     stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL))
    for run in runs:
        run.wait()


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("corpus", nargs="?", default=os.path.join(here, "..", "..", "shared", "corpus"))
    parser.add_argument("--method", choices=("faithful", "refined", "both"), default="both")
    parser.add_argument("--wav2mid", default=os.path.join(here, "..", "build", "bin", "wav2mid"))
    parser.add_argument("--md")
    parser.add_argument("--keep")
    parser.add_argument("--jobs", type=int, default=os.cpu_count() or 1)
    args = parser.parse_args()
    names = sorted(n[:-4] for n in os.listdir(args.corpus)
                   if n.endswith(".wav") and os.path.exists(os.path.join(args.corpus, n[:-4] + ".mid")))
    methods = ("faithful", "refined") if args.method == "both" else (args.method,)
    results = {}  # (method, name) -> (precision, recall, f1, notes) or None
    for method in methods:
        work = args.keep and os.path.join(args.keep, method) or tempfile.mkdtemp()
        os.makedirs(work, exist_ok=True)
        for name in names:
            shutil.copy(os.path.join(args.corpus, name + ".wav"), work)
        convert(args.wav2mid, method, work, names, max(1, args.jobs))
        for name in names:
            ours = os.path.join(work, name + ".wav.mid")
            if not os.path.exists(ours):
                results[method, name] = None
                continue
            estimate = read_notes(ours, all_channels=True)
            results[method, name] = score(read_notes(os.path.join(args.corpus, name + ".mid")),
                                          estimate) + (len(estimate),)
        if not args.keep:
            shutil.rmtree(work, ignore_errors=True)

    lines = ["| recording | " + " | ".join(f"{m} P / R / F1" for m in methods) + " |",
             "|---|" + "---|" * len(methods)]
    for name in names:
        cells = []
        for m in methods:
            r = results[m, name]
            cells.append("not converted" if r is None else f"{r[0]:.2f} / {r[1]:.2f} / {r[2]:.2f}")
        lines.append(f"| {name} | " + " | ".join(cells) + " |")
    categories = sorted({n.split("_")[0] for n in names})
    summary = ["| mean onset F1 | " + " | ".join(f"{c} ({sum(n.split('_')[0] == c for n in names)})"
                                                for c in categories) + " |",
               "|---|" + "---|" * len(categories)]
    for m in methods:
        cells = []
        for c in categories:
            scores = [results[m, n][2] if results[m, n] else 0.0 for n in names if n.split("_")[0] == c]
            cells.append(f"{sum(scores) / len(scores):.2f}")
        summary.append(f"| {m} | " + " | ".join(cells) + " |")
    text = "\n".join(lines) + "\n\n" + "\n".join(summary) + "\n"
    print(text)
    if args.md:
        with open(args.md, "w") as out:
            out.write(text)


if __name__ == "__main__":
    sys.exit(main())
