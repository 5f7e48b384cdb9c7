#pragma once

#include <vector>

namespace tonvale {

// g sin(x) / x, and g at x = 0.
double ScaledSinc(double x, double g);

// A linear-phase low-pass filter by the windowed-sinc method with a Kaiser window. The cut-off
// `fc` and the transition width `dw` are fractions of the Nyquist frequency, `attenuationDb` the
// stop-band attenuation. The length M is odd: an even Kaiser order gets one tap more, an odd one
// is used as it is; an order below 2 gives the single tap fc * gain. False when memory runs
// out.
bool DesignLowPassFir(double fc, double attenuationDb, double dw, double gain,
                      std::vector<double>& coefficients);

}  // namespace tonvale
