#pragma once

#include <vector>

#include "dsp/complex_fft.h"

namespace tonvale {

// The transform of n real values (n a power of two) done as a complex transform of n/2 points:
// the even samples as real parts and the odd ones as imaginary parts, split apart afterwards.
// Only the bins 0 ... n/2 are produced; the others are their complex conjugates. Unscaled in
// both directions, with the signs of ComplexFft. The object keeps scratch arrays, so one
// instance serves one caller at a time.
class RealFft {
 public:
  // False, with the plan empty, when n is not a power of two or memory runs out.
  bool Prepare(int n);
  int size() const { return n_; }

  // x[0 .. n-1] to re, im [0 .. n/2]. The values from x[filled] on are taken as 0 and not
  // read: a zero-padded frame skips the first merging levels, which would only copy its values.
  // Every bin is multiplied by `scale` (the same bits as multiplying the finished bins).
  void Forward(const double* x, double* re, double* im, int filled, double scale = 1.0);
  void Forward(const double* x, double* re, double* im) { Forward(x, re, im, n_); }
  // Bins 0 .. n/2 of a spectrum with conjugate symmetry to n real values, n times the signal
  // (the imaginary parts of bins 0 and n/2 are ignored). re and im are left unchanged.
  void Inverse(const double* re, const double* im, double* x);

 private:
  int n_ = 0;
  ComplexFft half_;
  std::vector<double> cos_, sin_;  // of 2 pi k / n for k = 0 .. n/4
  std::vector<double> zr_, zi_;
  std::vector<double> blockRe_, blockIm_;  // the constant runs of a zero-padded input
};

}  // namespace tonvale
