#pragma once

#include <cmath>

namespace tonvale {

// |trunc(a - b)| with the difference taken in single precision, as the peaks are stored:
// 11.03f - 1.03f is exactly 10 in single precision but 9.9999998 in double, and that decides
// whether two peaks link. Not-a-number stays not-a-number, so it never wins a comparison.
inline float TruncatedDistance(float a, float b) {
  float difference = a - b;
  return std::fabs(std::trunc(difference));
}

// The cost of linking two peaks: one hertz weighs as much as one decibel.
inline float LinkCost(float frequency1, float level1, float frequency2, float level2) {
  return TruncatedDistance(frequency1, frequency2) + TruncatedDistance(level1, level2);
}

}  // namespace tonvale
