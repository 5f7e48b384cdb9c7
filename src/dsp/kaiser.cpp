#include "dsp/kaiser.h"

#include <cmath>

namespace tonvale {

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
  for (int i = 0; i < M; ++i) {
    const double t = static_cast<double>(2 * i - M + 1) / (M - 1);
    w[i] = BesselI0(beta * std::sqrt(1.0 - t * t)) / norm;
  }
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
