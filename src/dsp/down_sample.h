#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "dsp/fast_convolve.h"
#include "dsp/resample.h"

namespace tonvale {

class WorkerPool;

// The anti-aliasing filter of the down-sampler: cut-off at rateOut / 2, a 200 Hz transition band
// and 960 dB of stop-band attenuation (Kaiser beta 104.83326), about 0.3315 rateIn taps.
bool DesignDownSampleFilter(double rateIn, double rateOut, std::vector<double>& filter);

// Brings a signal at rateIn down to rateOut (rateIn > rateOut), fed a run at a time: the filter
// above, applied by overlap-add, then linear interpolation. Neither the signal nor the filtered
// signal is ever held whole. The output is ResampledLength(L, rateIn, rateOut) samples, the
// same whatever the runs and the number of workers.
class StreamingDownSampler {
 public:
  // Prepares for L samples. False when memory runs out. `pool` may be null.
  bool Start(size_t L, double rateIn, double rateOut, WorkerPool* pool);
  size_t length() const { return resampler_.length(); }
  // The next samples; the outputs they complete are appended to `out`.
  void Add(std::span<const double> run, std::vector<double>& out);
  // After the last run: the remaining outputs.
  void Finish(std::vector<double>& out);

 private:
  std::vector<double> filter_;
  StreamingConvolver convolver_;
  StreamingResampler resampler_;
};

}  // namespace tonvale
