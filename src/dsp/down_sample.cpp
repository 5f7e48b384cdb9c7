#include "dsp/down_sample.h"

#include "dsp/low_pass_fir.h"

namespace tonvale {

bool DesignDownSampleFilter(double rateIn, double rateOut, std::vector<double>& filter) {
  return DesignLowPassFir(rateOut / rateIn, 960.0, 4.0 * 100.0 / rateIn, 1.0, filter);
}

bool StreamingDownSampler::Start(size_t L, double rateIn, double rateOut, WorkerPool* pool) {
  if (!DesignDownSampleFilter(rateIn, rateOut, filter_)) return false;
  return resampler_.Start(L, rateIn, rateOut) &&
         convolver_.Start(filter_, L, FastConvolveSize(filter_.size(), L), pool);
}

void StreamingDownSampler::Add(std::span<const double> run, std::vector<double>& out) {
  convolver_.Add(run, [&](std::span<const double> filtered) { resampler_.Add(filtered, out); });
}

void StreamingDownSampler::Finish(std::vector<double>& out) {
  convolver_.Finish([&](std::span<const double> filtered) { resampler_.Add(filtered, out); });
  resampler_.Finish(out);
}

}  // namespace tonvale
