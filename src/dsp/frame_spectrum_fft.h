#pragma once

#include "dsp/complex_fft.h"
#include "dsp/real_fft.h"

namespace tonvale {

// The transform tables of SpectrumFft for the size last used. Whoever transforms many frames
// of one size keeps one of these for the run; the tables are rebuilt when the size changes.
class SpectrumFftCache {
 public:
  int size() const { return size_; }

 private:
  friend int SpectrumFft(SpectrumFftCache&, int, double*, double*);
  friend int RealSpectrumFft(SpectrumFftCache&, int, const double*, double*, double*, int);
  bool Ensure(int n);
  void Release();

  int size_ = 0;
  ComplexFft complex_;
  RealFft real_;
  bool realReady_ = false;
};

// In-place complex transform of |n| points on split arrays, |n| a power of two. n > 0 is the
// forward transform scaled by 1/n: X[k] = (1/n) sum x[j] e^(-2 pi i jk/n); n < 0 the unscaled
// inverse. n = 0 releases the cache's tables and returns 0. Returns 0 on success; 1 when the
// tables cannot be made (memory runs out, or |n| is not a power of two), leaving the cache
// empty.
int SpectrumFft(SpectrumFftCache& cache, int n, double* x, double* y);

// The forward transform of SpectrumFft for a frame of n real values (n > 0): bins 0 .. n/2 into
// re and im, scaled by 1/n. The result is SpectrumFft's with zero imaginary parts, to within
// rounding. Same results as SpectrumFft otherwise.
// The values from x[filled] on are taken as 0 and not read.
int RealSpectrumFft(SpectrumFftCache& cache, int n, const double* x, double* re, double* im,
                    int filled);

}  // namespace tonvale
