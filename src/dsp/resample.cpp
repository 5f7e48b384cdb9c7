#include "dsp/resample.h"

#include <algorithm>
#include <cmath>

namespace tonvale {

size_t ResampledLength(size_t L, double rateIn, double rateOut) {
  const double step = rateIn / rateOut;
  if (!(step > 0.0) || !std::isfinite(step)) return 0;
  const double n = std::trunc(static_cast<double>(L) / step);
  // More samples than memory can hold make the allocation fail below.
  return n < 1e18 ? static_cast<size_t>(n) : static_cast<size_t>(1e18);
}

bool StreamingResampler::Start(size_t L, double rateIn, double rateOut) {
  step_ = rateIn / rateOut;
  if (!(step_ > 0.0) || !std::isfinite(step_)) return false;
  n_ = ResampledLength(L, rateIn, rateOut);
  L_ = L;
  k_ = 0;
  p_ = 0.0;
  received_ = 0;
  heldFrom_ = 0;
  held_.clear();
  return true;
}

void StreamingResampler::Add(std::span<const double> run, std::vector<double>& out) {
  Produce(false, run, out);
}

void StreamingResampler::Finish(std::vector<double>& out) {
  Produce(true, {}, out);
  std::vector<double>().swap(held_);
}

void StreamingResampler::Produce(bool atEnd, std::span<const double> run,
                                 std::vector<double>& out) {
  // The samples known are held_ (from heldFrom_) and then the run, read where they lie: only
  // the few that later outputs still need are copied into held_ afterwards.
  const size_t runFrom = received_;
  received_ += run.size();
  // Sample j is known once received; past the end of the signal it is 0.
  auto known = [&](size_t j) { return atEnd || j < received_ || j >= L_; };
  auto at = [&](size_t j) {
    if (!(j < received_ && j < L_)) return 0.0;
    return j < runFrom ? held_[j - heldFrom_] : run[j - runFrom];
  };
  while (k_ < n_) {
    const size_t i = static_cast<size_t>(p_);
    const double f = p_ - static_cast<double>(i);
    if (!known(i) || (f != 0.0 && !known(i + 1))) break;
    out.push_back(f == 0.0 ? at(i) : (1.0 - f) * at(i) + f * at(i + 1));
    p_ += step_;
    ++k_;
  }
  // Positions only grow: samples before the next position's are never used again.
  const size_t keepFrom = std::max(heldFrom_, std::min(static_cast<size_t>(p_), received_));
  if (keepFrom >= runFrom) {
    held_.assign(run.begin() + static_cast<std::ptrdiff_t>(keepFrom - runFrom), run.end());
  } else {
    held_.erase(held_.begin(), held_.begin() + static_cast<std::ptrdiff_t>(keepFrom - heldFrom_));
    held_.insert(held_.end(), run.begin(), run.end());
  }
  heldFrom_ = keepFrom;
}

}  // namespace tonvale
