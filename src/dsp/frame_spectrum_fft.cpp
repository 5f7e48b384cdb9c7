#include "dsp/frame_spectrum_fft.h"

#include <climits>
#include <cstdlib>

namespace tonvale {
namespace {

bool IsPowerOfTwo(int n) {
  return n >= 1 && (n & (n - 1)) == 0;
}

}  // namespace

void SpectrumFftCache::Release() {
  size_ = 0;
  complex_ = ComplexFft();
  real_ = RealFft();
  realReady_ = false;
}

bool SpectrumFftCache::Ensure(int n) {
  if (n == size_ && n != 0) return true;
  Release();
  if (!IsPowerOfTwo(n)) return false;
  if (!complex_.Prepare(n)) {
    Release();
    return false;
  }
  size_ = n;
  return true;
}

int SpectrumFft(SpectrumFftCache& cache, int n, double* x, double* y) {
  if (n == 0) {
    cache.Release();
    return 0;
  }
  const int size = n == INT_MIN ? 0 : std::abs(n);
  if (!cache.Ensure(size)) return 1;
  if (n < 0) {
    cache.complex_.Inverse(x, y);
    return 0;
  }
  cache.complex_.Forward(x, y);
  const double scale = 1.0 / size;
  for (int i = 0; i < size; ++i) {
    x[i] *= scale;
    y[i] *= scale;
  }
  return 0;
}

int RealSpectrumFft(SpectrumFftCache& cache, int n, const double* x, double* re, double* im,
                    int filled) {
  if (n <= 0 || !cache.Ensure(n)) return 1;
  if (!cache.realReady_) {
    if (!cache.real_.Prepare(n)) {
      cache.Release();
      return 1;
    }
    cache.realReady_ = true;
  }
  cache.real_.Forward(x, re, im, filled, 1.0 / n);
  return 0;
}

}  // namespace tonvale
