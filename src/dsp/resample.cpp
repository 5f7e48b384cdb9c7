#include "dsp/resample.h"

#include <cmath>
#include <cstdio>

#include "dsp/double_array.h"

namespace tonvale {

size_t ResampledLength(size_t L, double rateIn, double rateOut) {
  const double step = rateIn / rateOut;
  if (!(step > 0.0) || !std::isfinite(step)) return 0;
  const double n = std::trunc(static_cast<double>(L) / step);
  // More samples than memory can hold make the allocation fail below.
  return n < 1e18 ? static_cast<size_t>(n) : static_cast<size_t>(1e18);
}

bool Resample(std::span<const double> x, double rateIn, double rateOut, std::vector<double>& y) {
  const double step = rateIn / rateOut;
  if (!(step > 0.0) || !std::isfinite(step)) {
    std::vector<double>().swap(y);
    return false;
  }
  const size_t n = ResampledLength(x.size(), rateIn, rateOut);
  if (!NewDoubleArray(n, y)) return false;
  const size_t L = x.size();
  auto at = [&](size_t i) { return i < L ? x[i] : 0.0; };
  double p = 0.0;
  for (size_t k = 0; k < n; ++k) {
    const size_t i = static_cast<size_t>(p);
    const double f = p - static_cast<double>(i);
    y[k] = f == 0.0 ? at(i) : (1.0 - f) * at(i) + f * at(i + 1);
    p += step;
  }
  return true;
}

}  // namespace tonvale
