#include "dsp/down_sample.h"

#include <cstdio>

#include "dsp/fast_convolve.h"
#include "dsp/low_pass_fir.h"
#include "dsp/resample.h"

namespace tonvale {

bool DesignDownSampleFilter(double rateIn, double rateOut, std::vector<double>& filter) {
  return DesignLowPassFir(rateOut / rateIn, 960.0, 4.0 * 100.0 / rateIn, 1.0, filter);
}

namespace {

template <typename Sample>
bool DownSampleAny(std::span<const Sample> samples, double rateIn, double rateOut,
                   std::vector<double>& y) {
  std::vector<double> filter;
  if (!DesignDownSampleFilter(rateIn, rateOut, filter)) {
    std::fputs("Can't make Low-pass filter\n", stderr);
    return false;
  }
  std::fprintf(stderr, "\n\tLow-pass filter: %8.2f[Hz], %ld points\n", rateOut * 0.5,
               static_cast<long>(filter.size()));
  // The filtered signal goes straight into the resampler, a block at a time: an hour of
  // 44.1 kHz samples would take 1.3 GB as doubles.
  StreamingResampler resampler;
  if (!resampler.Start(samples.size(), rateIn, rateOut, y)) return false;
  if (!FastConvolveStream(filter, samples,
                          [&resampler](std::span<const double> run) { resampler.Add(run); })) {
    std::vector<double>().swap(y);
    return false;
  }
  resampler.Finish();
  std::fprintf(stderr, "\tDown-sampling: %8.2f[Hz] to %8.2f[Hz]\n", rateIn, rateOut);
  return true;
}

}  // namespace

bool DownSample(std::span<const int16_t> samples, double rateIn, double rateOut,
                std::vector<double>& y) {
  return DownSampleAny(samples, rateIn, rateOut, y);
}

bool DownSample(std::span<const float> samples, double rateIn, double rateOut,
                std::vector<double>& y) {
  return DownSampleAny(samples, rateIn, rateOut, y);
}

}  // namespace tonvale
