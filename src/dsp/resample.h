#pragma once

#include <span>
#include <vector>

namespace tonvale {

// Linear-interpolation resampling by the step rateIn / rateOut: n = trunc(L / step) output
// samples, taken at positions 0, step, step + step, ... (a running sum, not k * step). A
// position with no fraction takes its sample as it is. Samples past the end of the signal count
// as 0. The signal is fed a run at a time, so it is never held whole: the output does not
// depend on how it is cut into runs.
class StreamingResampler {
 public:
  // Prepares for a signal of L samples. False when the step is not a positive number.
  bool Start(size_t L, double rateIn, double rateOut);
  // The number of output samples, n.
  size_t length() const { return n_; }
  // The next samples of the signal; the outputs they complete are appended to `out`.
  void Add(std::span<const double> run, std::vector<double>& out);
  // After the last run: the outputs that take samples past the end of the signal (as 0).
  void Finish(std::vector<double>& out);

 private:
  // Takes in the next run (empty at the end) and makes the outputs it completes.
  void Produce(bool atEnd, std::span<const double> run, std::vector<double>& out);

  size_t L_ = 0;
  size_t n_ = 0;
  size_t k_ = 0;  // next output
  double step_ = 0.0;
  double p_ = 0.0;  // its position in the signal
  size_t received_ = 0;
  size_t heldFrom_ = 0;       // held_[0] is signal sample heldFrom_
  std::vector<double> held_;  // the samples still to be used
};

// trunc(L / (rateIn / rateOut)), the length the resampler gives; 0 when the step is not
// positive.
size_t ResampledLength(size_t L, double rateIn, double rateOut);

}  // namespace tonvale
