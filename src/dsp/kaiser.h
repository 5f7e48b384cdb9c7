#pragma once

namespace tonvale {

struct KaiserDesign {
  double beta = 0.0;
  int order = 0;
};

// Kaiser's formulas for a stop-band attenuation `attenuationDb` and a transition width `dw`
// given as a fraction of the Nyquist frequency (0 is taken as 0.0001): beta 0 below 21 dB,
// 0.5842(A-21)^0.4 + 0.07886(A-21) up to 50 dB, 0.1102(A-8.7) above; order (A-8)/(2.285 pi dw)
// truncated toward zero.
KaiserDesign KaiserParameters(double attenuationDb, double dw);

// w[i] = I0(beta sqrt(1 - t^2)) / I0(beta) with t running from -1 to +1 over the M points.
// Returns 1 when written, 0 (w untouched) when M <= 1.
int KaiserWindow(double* w, int M, double beta);

// The modified Bessel function of the first kind, order 0, by its power series; terms below
// 2e-9 of the sum end it, and any x with x^2/4 < 2e-9 gives exactly 1.
double BesselI0(double x);

}  // namespace tonvale
