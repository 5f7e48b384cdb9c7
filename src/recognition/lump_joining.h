#pragma once

#include <cstdint>
#include <functional>
#include <vector>

#include "extraction/peak_file.h"

namespace tonvale {

// A lump of the lump file: its start time in milliseconds and one point per frame.
struct Lump {
  int32_t start = 0;
  std::vector<float> frequencies;
  std::vector<float> levels;

  size_t size() const { return frequencies.size(); }
};

std::vector<Lump> LumpsOf(const PeakTable& records);

// The shortest peak time in milliseconds, ((60000 / tempo) / shortestNote) x 4 with truncating
// divisions (28 for 120 and 64); 0 when either setting is 0.
int ShortestPeakTime(int tempo, int shortestNote);

// Joins lumps across short gaps, sweep after sweep until a sweep joins nothing. Lump b joins
// lump a (a before b) when it starts S frames after a's end with 1 <= S and
// frameRate x S < shortestPeakTime, and a's last point is close to b's first (|trunc(level
// difference)| + |trunc(frequency difference)| < 15). The gap is bridged by S points, each
// stepping k/S of the way from the point before it to b's first point (k = 0 .. S - 1); b is
// then emptied. `onSweep` hears the number of joins of every sweep, the last one 0.
// `frameRate` must not be 0.
void JoinLumps(std::vector<Lump>& lumps, int frameRate, int shortestPeakTime,
               const std::function<void(int joins)>& onSweep);

// Half way between the loudest and the quietest level of the analysis, in single precision.
float LoudnessThreshold(float maxdB, float mindB);

// A lump is written when its loudest level, counted from -1000, reaches the threshold.
// Emptied lumps never are.
bool IsLoudEnough(const Lump& lump, float threshold);

}  // namespace tonvale
