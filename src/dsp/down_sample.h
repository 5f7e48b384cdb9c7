#pragma once

#include <cstdint>
#include <span>
#include <vector>

namespace tonvale {

// The anti-aliasing filter DownSample uses: cut-off at rateOut / 2, a 200 Hz transition band and
// 960 dB of stop-band attenuation (Kaiser beta 104.83326), about 0.3315 rateIn taps.
bool DesignDownSampleFilter(double rateIn, double rateOut, std::vector<double>& filter);

// Brings 16-bit samples at rateIn down to rateOut (rateIn > rateOut): the filter above, applied
// by FastConvolve, then Resample. Reports the filter and the rates on stderr. The result has
// ResampledLength(L, rateIn, rateOut) samples. False, after "Can't make Low-pass filter" or
// "Can't malloc" on stderr, when memory runs out.
bool DownSample(std::span<const int16_t> samples, double rateIn, double rateOut,
                std::vector<double>& y);
// The same for samples on the 16-bit scale kept in single precision.
bool DownSample(std::span<const float> samples, double rateIn, double rateOut,
                std::vector<double>& y);

}  // namespace tonvale
