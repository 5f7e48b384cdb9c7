#include "dsp/kaiser.h"

#include <cmath>

namespace tonvale {
namespace {

// BesselI0 of four values at once: every series takes exactly the steps BesselI0 takes, and one
// that has ended is left alone while the others go on.
void BesselI0x4(const double* x, double* sums) {
  double x2[4], term[4], k[4];
  bool going[4];
  int left = 0;
  for (int l = 0; l < 4; ++l) {
    x2[l] = x[l] * x[l];
    sums[l] = 1.0;
    term[l] = x2[l] / 4.0;
    k[l] = 2.0;
    going[l] = !(term[l] < 2e-9);
    left += going[l] ? 1 : 0;
  }
  while (left > 0) {
    for (int l = 0; l < 4; ++l) {
      if (!going[l]) continue;
      k[l] += 2.0;
      sums[l] += term[l];
      term[l] = term[l] * x2[l] / (k[l] * k[l]);
      if (!(term[l] >= 2e-9 * sums[l])) {
        going[l] = false;
        --left;
      }
    }
  }
}

}  // namespace

KaiserDesign KaiserParameters(double attenuationDb, double dw) {
  const double a = attenuationDb;
  KaiserDesign design;
  if (a < 21.0) {
    design.beta = 0.0;
  } else if (a <= 50.0) {
    design.beta = 0.5842 * std::pow(a - 21.0, 0.4) + 0.07886 * (a - 21.0);
  } else {
    design.beta = 0.1102 * (a - 8.7);
  }
  if (dw == 0.0) dw = 0.0001;
  // 7.1785392134526775 is 2.285 pi.
  const double order = (a - 8.0) / (7.1785392134526775 * dw);
  design.order = std::isfinite(order) && std::fabs(order) < 2.0e9 ? static_cast<int>(order) : 0;
  return design;
}

int KaiserWindow(double* w, int M, double beta) {
  if (M <= 1) return 0;
  const double norm = BesselI0(beta);
  // t of point M - 1 - i is exactly -t of point i (a negated integer over the same divisor), so
  // the second half mirrors the first bit for bit. The series are summed four at a time, each
  // with its own operations, because one series is a chain of dependent divisions.
  const int half = (M + 1) / 2;
  int i = 0;
  for (; i + 4 <= half; i += 4) {
    double x[4], sums[4];
    for (int l = 0; l < 4; ++l) {
      const double t = static_cast<double>(2 * (i + l) - M + 1) / (M - 1);
      x[l] = beta * std::sqrt(1.0 - t * t);
    }
    BesselI0x4(x, sums);
    for (int l = 0; l < 4; ++l) w[i + l] = sums[l] / norm;
  }
  for (; i < half; ++i) {
    const double t = static_cast<double>(2 * i - M + 1) / (M - 1);
    w[i] = BesselI0(beta * std::sqrt(1.0 - t * t)) / norm;
  }
  for (i = half; i < M; ++i) w[i] = w[M - 1 - i];
  return 1;
}

double BesselI0(double x) {
  const double x2 = x * x;
  double sum = 1.0;
  double term = x2 / 4.0;
  double k = 2.0;
  if (term < 2e-9) return 1.0;
  do {
    k += 2.0;
    sum += term;
    term = term * x2 / (k * k);
  } while (term >= 2e-9 * sum);
  return sum;
}

}  // namespace tonvale
