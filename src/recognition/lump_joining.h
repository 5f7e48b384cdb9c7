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

// The same joining for lumps that come in start order, as the first pass writes them, holding
// only the lumps that can still join. In start order the first sweep is the only one that
// joins: a lump grows only while it is swept, and then only by lumps that start after its end,
// so when a later sweep comes back to it, every lump it passed over either starts before its
// new end or was already refused with the same end points. And a lump can only take lumps
// that start less than the longest bridge after its end: once those have been read, it is
// final.
// `next` hands over the lumps in order (false at the end); `emit` gets every lump that is not
// emptied, in order, with its position among the lumps, once nothing can join it any more.
// Returns the number of joins, after which a second sweep would join nothing; or -1, having
// stopped, when a lump starts before the one read before it (what was emitted is then not
// final, and the lumps must be joined whole with JoinLumps).
int64_t JoinLumpsInStartOrder(const std::function<bool(Lump& lump)>& next,
                              const std::function<void(size_t position, Lump& lump)>& emit,
                              int frameRate, int shortestPeakTime);

// Half way between the loudest and the quietest level of the analysis, in single precision.
float LoudnessThreshold(float maxdB, float mindB);

// A lump is written when its loudest level, counted from -1000, reaches the threshold.
// Emptied lumps never are.
bool IsLoudEnough(const Lump& lump, float threshold);

}  // namespace tonvale
