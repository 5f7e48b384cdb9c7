#include "dsp/low_pass_fir.h"

#include <cmath>
#include <numbers>

#include "dsp/double_array.h"
#include "dsp/kaiser.h"

namespace tonvale {

double ScaledSinc(double x, double g) {
  if (x == 0.0) return g;
  return g * std::sin(x) / x;
}

bool DesignLowPassFir(double fc, double attenuationDb, double dw, double gain,
                      std::vector<double>& coefficients) {
  const KaiserDesign design = KaiserParameters(attenuationDb, dw);
  const int half = design.order > 0 ? design.order / 2 : 0;
  const int taps = 2 * half + 1;
  // The window is 1 where Kaiser's formula gives no window (a single tap).
  if (!TryAssign(coefficients, static_cast<size_t>(taps))) return false;
  coefficients[0] = 1.0;
  KaiserWindow(coefficients.data(), taps, design.beta);
  for (int i = 0; i < taps; ++i) {
    coefficients[i] *= ScaledSinc(std::numbers::pi * fc * (i - half), fc * gain);
  }
  return true;
}

}  // namespace tonvale
