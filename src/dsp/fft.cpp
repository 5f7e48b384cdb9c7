#include "dsp/fft.h"

#include <cstdio>

#include "dsp/complex_fft.h"

namespace tonvale {

int Log2Ceil(long long n) {
  int m = 1;
  while (m < 62 && (1LL << m) < n) ++m;
  return m;
}

int Fft(double* re, double* im, int n, bool inverse) {
  if ((1LL << Log2Ceil(n)) != n) {
    std::fputs("fft error: fft point must be a power of 2\n", stderr);
    return 0;
  }
  ComplexFft plan;
  if (!plan.Prepare(n)) {
    std::fputs("Can't malloc\n", stderr);
    return 0;
  }
  if (!inverse) {
    plan.Forward(re, im);
    return 1;
  }
  plan.Inverse(re, im);
  const double scale = 1.0 / n;
  for (int i = 0; i < n; ++i) {
    re[i] *= scale;
    im[i] *= scale;
  }
  return 1;
}

}  // namespace tonvale
