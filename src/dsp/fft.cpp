#include "dsp/fft.h"

namespace tonvale {

int Log2Ceil(long long n) {
  int m = 1;
  while (m < 62 && (1LL << m) < n) ++m;
  return m;
}

}  // namespace tonvale
