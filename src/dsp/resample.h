#pragma once

#include <span>
#include <vector>

namespace tonvale {

// Linear-interpolation resampling by the step rateIn / rateOut: n = trunc(L / step) output
// samples, taken at positions 0, step, step + step, ... (a running sum, not k * step). A
// position with no fraction takes its sample as it is. Samples past the end of x count as 0.
// False when the step is not a positive number, or ("Can't malloc" on stderr) when memory
// runs out.
bool Resample(std::span<const double> x, double rateIn, double rateOut, std::vector<double>& y);

// trunc(L / (rateIn / rateOut)), the length Resample gives; 0 when the step is not positive.
size_t ResampledLength(size_t L, double rateIn, double rateOut);

}  // namespace tonvale
