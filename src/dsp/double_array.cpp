#include "dsp/double_array.h"

#include <cstdio>

namespace tonvale {

bool NewDoubleArray(size_t count, std::vector<double>& values) {
  if (TryAssign(values, count)) return true;
  std::fputs("Can't malloc\n", stderr);
  return false;
}

bool ShortsToDoubles(std::span<const int16_t> samples, std::vector<double>& values) {
  if (!NewDoubleArray(samples.size(), values)) return false;
  for (size_t i = 0; i < samples.size(); ++i) values[i] = samples[i];
  return true;
}

}  // namespace tonvale
