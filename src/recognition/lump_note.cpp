#include "recognition/lump_note.h"

#include <cmath>
#include <limits>

#include "app/numbers.h"

namespace tonvale {
namespace {

// 1 / 32.7031956625748 Hz, the pitch C1 when A4 is 440 Hz: cents count from C1.
constexpr double kPerC1 = 0.03057805146377144;

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
  note.cents = TruncToInt16(1200 * std::log2(note.meanFrequency * kPerC1));
  note.semitone = TruncToInt16(note.cents * 0.01 + 0.5);
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
