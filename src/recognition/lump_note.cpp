#include "recognition/lump_note.h"

#include <cmath>
#include <limits>

#include "app/numbers.h"
#include "dsp/pitch.h"

namespace tonvale {
namespace {

constexpr const char* kPitchNames[] = {"c-", "c#", "d-", "d#", "e-", "f-",
                                       "f#", "g-", "g#", "a-", "a#"};

// trunc(x) kept to its low 16 bits; a value that is not a finite number counts as 0.
int16_t TruncToInt16(double x) {
  if (!std::isfinite(x)) return 0;
  constexpr double kLimit = 9.2e18;  // inside the 64-bit range
  if (x >= kLimit || x <= -kLimit) return 0;
  return WrapToInt16(static_cast<int64_t>(x));
}

int16_t Volume(int semitone, double loudest, float maxdB) {
  if (semitone < 35) return TruncToInt16(loudest * 127 / maxdB);
  double x = 0.9 * (-127 * std::log2(2 * loudest / maxdB));
  if (!std::isfinite(x)) return 0;
  return TruncToInt16(12 - std::trunc(x));
}

}  // namespace

LumpNote MakeLumpNote(std::span<const float> frequencies, std::span<const float> levels,
                      int64_t start, int frameRate, float maxdB) {
  LumpNote note;
  double sum = 0.0;
  for (float f : frequencies) sum += f;
  note.meanFrequency = sum / static_cast<double>(frequencies.size());
  note.loudest = -99999.0;
  for (float level : levels) {
    if (level > note.loudest) note.loudest = level;
  }
  // A lump always becomes a note record; one whose mean frequency has no pitch (no points,
  // or frequencies that are not positive finite numbers) is counted at cent 0, semitone 0.
  PitchAboveC1 pitch;
  if (PitchOf(note.meanFrequency, pitch)) {
    note.cents = pitch.cents;
    note.semitone = pitch.semitone;
  }
  note.start = start;
  note.end = start + static_cast<int64_t>(frameRate) * static_cast<int64_t>(frequencies.size());
  note.volume = Volume(note.semitone, note.loudest, maxdB);
  return note;
}

bool IsKeptNote(const LumpNote& note, int shortestPeakMs) {
  const int threshold = note.semitone < 59 ? 1 : 101;
  return note.volume >= threshold && note.end - note.start > shortestPeakMs;
}

std::string NoteName(int semitone) {
  const int pitchClass = semitone % 12;
  const int octave = semitone / 12;
  std::string name = pitchClass >= 0 && pitchClass <= 10 ? kPitchNames[pitchClass] : "b-";
  AppendInteger(name, octave);
  return name;
}

}  // namespace tonvale
