#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "dsp/fast_convolve.h"
#include "dsp/resample.h"

namespace tonvale {

class WorkerPool;

// The anti-aliasing filter DownSample uses: cut-off at rateOut / 2, a 200 Hz transition band and
// 960 dB of stop-band attenuation (Kaiser beta 104.83326), about 0.3315 rateIn taps.
bool DesignDownSampleFilter(double rateIn, double rateOut, std::vector<double>& filter);

// Brings a signal at rateIn down to rateOut (rateIn > rateOut), fed a run at a time: the filter
// above, applied by overlap-add, then linear interpolation. Neither the signal nor the filtered
// signal is ever held whole. The output is ResampledLength(L, rateIn, rateOut) samples, the
// same whatever the runs and the number of workers.
class StreamingDownSampler {
 public:
  // Prepares for L samples; reports the filter on stderr. False, after "Can't make Low-pass
  // filter" or "Can't malloc" on stderr, when memory runs out. `pool` may be null.
  bool Start(size_t L, double rateIn, double rateOut, WorkerPool* pool);
  size_t length() const { return resampler_.length(); }
  // The next samples; the outputs they complete are appended to `out`.
  void Add(std::span<const double> run, std::vector<double>& out);
  // After the last run: the remaining outputs; reports the rates on stderr.
  void Finish(std::vector<double>& out);

 private:
  double rateIn_ = 0.0, rateOut_ = 0.0;
  std::vector<double> filter_;
  StreamingConvolver convolver_;
  StreamingResampler resampler_;
};

// The whole signal of 16-bit samples at once: y gets ResampledLength(L, rateIn, rateOut)
// samples. False on the failures of StreamingDownSampler::Start.
bool DownSample(std::span<const int16_t> samples, double rateIn, double rateOut,
                std::vector<double>& y);

}  // namespace tonvale
