#pragma once

#include <cstdint>
#include <span>
#include <string>

namespace tonvale {

// What a lump says about the note it may be.
struct LumpNote {
  double meanFrequency = 0.0;  // Hz
  double loudest = 0.0;        // dB
  int16_t cents = 0;           // above C1 (32.703 Hz), truncated
  int16_t semitone = 0;        // above C1, rounded half up
  int64_t start = 0;           // ms
  int64_t end = 0;             // ms: start + frameRate x points
  int16_t volume = 0;          // 0 .. 126 for real levels; 0 when not a finite number
};

// Pitch, loudness and time of a lump that starts at `start` ms, one point every `frameRate` ms,
// against the loudest level of the whole analysis.
LumpNote MakeLumpNote(std::span<const float> frequencies, std::span<const float> levels,
                      int64_t start, int frameRate, float maxdB);

// A lump becomes a note when it is loud enough for its pitch (volume 1 below semitone 59,
// volume 101 from there up) and lasts longer than `shortestPeakMs`.
bool IsKeptNote(const LumpNote& note, int shortestPeakMs);

// "c-0" .. "b-9" style names: pitch name of semitone mod 12 (signed remainder; "b-" for any
// remainder the table lacks) and the octave semitone / 12 truncated, so 45 is "a-3" and -12
// is "c--1".
std::string NoteName(int semitone);

}  // namespace tonvale
