#include "dsp/peak_candidates.h"

#include <limits>

#include "dsp/quad.h"  // last: it silences a warning for the rest of the file

namespace tonvale {

using quad::Load;
using quad::Quad;

namespace {

// What comparing two Quads gives: all bits set in the lanes where the comparison holds.
using QuadMask = decltype(Quad{} < Quad{});

constexpr double kNever = -std::numeric_limits<double>::infinity();

double PowerAt(const double* re, const double* im, int k) {
  return re[k] * re[k] + im[k] * im[k];
}

Quad PowersAt(const double* re, const double* im, int k) {
  const Quad r = Load(re + k), i = Load(im + k);
  return r * r + i * i;
}

Quad Max(Quad a, Quad b) {
  return a < b ? b : a;
}

}  // namespace

// Four bins are sieved at once, and each is listed or not without a branch: which bins pass
// follows the music, so a branch on it would be mispredicted often.
// A neighbour's power q counts as the bound q * margin when q > tiny and as -infinity otherwise,
// which no power is below: a bin is rejected exactly when its power is below the larger of its
// two bounds, or below the floor. The bounds are never NaN and the floor is taken last, where a
// NaN floor would leave the bounds' maximum, so the outcome is the scalar comparisons'.
TONVALE_VECTOR_CLONES int CandidateBins(const double* re, const double* im, int last, double floor,
                                        double margin, double tiny, int* bins) {
  const Quad f = {floor, floor, floor, floor};
  const Quad m = {margin, margin, margin, margin};
  const Quad t = {tiny, tiny, tiny, tiny};
  const Quad never = {kNever, kNever, kNever, kNever};
  auto bound = [&](Quad q) { return q > t ? q * m : never; };
  int found = 0;
  int k = 1;
  if (last >= 7) {
    // The bounds of bins k - 4 .. k + 7 as three quads, each worked out once.
    const double p0 = PowerAt(re, im, 0);
    Quad before = {kNever, kNever, kNever, p0 > tiny ? p0 * margin : kNever};
    Quad p = PowersAt(re, im, 1);
    Quad here = bound(p);
    for (; k + 6 <= last; k += 4) {
      const Quad pAfter = PowersAt(re, im, k + 4);
      const Quad after = bound(pAfter);
      const Quad left = __builtin_shufflevector(before, here, 3, 4, 5, 6);
      const Quad right = __builtin_shufflevector(here, after, 1, 2, 3, 4);
      const QuadMask rejected = p < Max(Max(left, right), f);
      for (int lane = 0; lane < 4; ++lane) {
        bins[found] = k + lane;
        found += static_cast<int>(1 + rejected[lane]);
      }
      before = here;
      here = after;
      p = pAfter;
    }
  }
  for (; k <= last; ++k) {
    const double p = PowerAt(re, im, k);
    const double left = PowerAt(re, im, k - 1), right = PowerAt(re, im, k + 1);
    if (!(p < floor || (left > tiny && p < left * margin) ||
          (right > tiny && p < right * margin))) {
      bins[found++] = k;
    }
  }
  return found;
}

}  // namespace tonvale
