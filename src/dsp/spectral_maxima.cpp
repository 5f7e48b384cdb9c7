#include "dsp/spectral_maxima.h"

#include "dsp/quad.h"  // last: it silences a warning for the rest of the file

namespace tonvale {

TONVALE_VECTOR_CLONES int CandidateMaxima(const double* power, int last, double floor,
                                          double margin, double tiny, int* out) {
  using quad::Load;
  using quad::Quad;
  const Quad floors = {floor, floor, floor, floor};
  const Quad margins = {margin, margin, margin, margin};
  const Quad tinies = {tiny, tiny, tiny, tiny};
  int count = 0;
  for (int k = 1; k <= last; k += 4) {
    const Quad p = Load(power + k), before = Load(power + k - 1), after = Load(power + k + 1);
    const auto out4 = (p < floors) | ((before > tinies) & (p < before * margins)) |
                      ((after > tinies) & (p < after * margins));
    // Most bins of a spectrum fall on a slope: all four are out.
    if ((out4[0] & out4[1] & out4[2] & out4[3]) != 0) continue;
    for (int lane = 0; lane < 4 && k + lane <= last; ++lane) {
      if (out4[lane] == 0) out[count++] = k + lane;
    }
  }
  return count;
}

}  // namespace tonvale
