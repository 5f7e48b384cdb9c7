#include "dsp/down_sample.h"

#include <cstdio>

#include "dsp/double_array.h"
#include "dsp/low_pass_fir.h"

namespace tonvale {

bool DesignDownSampleFilter(double rateIn, double rateOut, std::vector<double>& filter) {
  return DesignLowPassFir(rateOut / rateIn, 960.0, 4.0 * 100.0 / rateIn, 1.0, filter);
}

bool StreamingDownSampler::Start(size_t L, double rateIn, double rateOut, WorkerPool* pool) {
  rateIn_ = rateIn;
  rateOut_ = rateOut;
  if (!DesignDownSampleFilter(rateIn, rateOut, filter_)) {
    std::fputs("Can't make Low-pass filter\n", stderr);
    return false;
  }
  std::fprintf(stderr, "\n\tLow-pass filter: %8.2f[Hz], %ld points\n", rateOut * 0.5,
               static_cast<long>(filter_.size()));
  return resampler_.Start(L, rateIn, rateOut) &&
         convolver_.Start(filter_, L, FastConvolveSize(filter_.size(), L), pool);
}

void StreamingDownSampler::Add(std::span<const double> run, std::vector<double>& out) {
  convolver_.Add(run, [&](std::span<const double> filtered) { resampler_.Add(filtered, out); });
}

void StreamingDownSampler::Finish(std::vector<double>& out) {
  convolver_.Finish([&](std::span<const double> filtered) { resampler_.Add(filtered, out); });
  resampler_.Finish(out);
  std::fprintf(stderr, "\tDown-sampling: %8.2f[Hz] to %8.2f[Hz]\n", rateIn_, rateOut_);
}

bool DownSample(std::span<const int16_t> samples, double rateIn, double rateOut,
                std::vector<double>& y) {
  std::vector<double>().swap(y);
  StreamingDownSampler down;
  if (!down.Start(samples.size(), rateIn, rateOut, nullptr)) return false;
  if (!TryReserve(y, down.length())) {
    std::fputs("Can't malloc\n", stderr);
    return false;
  }
  std::vector<double> run;
  for (size_t at = 0; at < samples.size(); at += 1 << 16) {
    const auto part = samples.subspan(at, std::min<size_t>(1 << 16, samples.size() - at));
    run.assign(part.begin(), part.end());
    down.Add(run, y);
  }
  down.Finish(y);
  return true;
}

}  // namespace tonvale
