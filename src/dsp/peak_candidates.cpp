#include "dsp/peak_candidates.h"

#include <limits>

#include "dsp/quad.h"

namespace tonvale {

using quad::Load;
using quad::Quad;
using quad::Store;

namespace {

// What comparing two Quads gives: all bits set in the lanes where the comparison holds.
using QuadMask = long long __attribute__((vector_size(32)));

constexpr double kNever = -std::numeric_limits<double>::infinity();

bool Rejected(double p, double left, double right, double floor, double margin, double tiny) {
  return p < floor || (left > tiny && p < left * margin) || (right > tiny && p < right * margin);
}

Quad Max(Quad a, Quad b) {
  return a < b ? b : a;
}

// True when every lane of both masks is set.
bool AllSet(QuadMask a, QuadMask b) {
  QuadMask x = a & b;
  x &= __builtin_shuffle(x, QuadMask{2, 3, 0, 1});
  x &= __builtin_shuffle(x, QuadMask{1, 0, 3, 2});
  return x[0] != 0;
}

}  // namespace

// Most bins fail the sieve, so eight bins are tested at once with one well-predicted branch.
// A neighbour's power q counts as the bound q * margin when q > tiny and as -infinity otherwise,
// which no power is below: a bin is rejected exactly when its power is below the largest of its
// bounds, or below the floor. The bounds are never NaN, and the floor is taken last, where a NaN
// floor would leave the bounds' maximum, so the outcome is the scalar comparisons' bin by bin.
TONVALE_VECTOR_CLONES int PowersAndCandidateBins(const double* re, const double* im, int last,
                                                 double floor, double margin, double tiny,
                                                 double* power, double* scratch, int* bins) {
  const Quad f = {floor, floor, floor, floor};
  const Quad m = {margin, margin, margin, margin};
  const Quad t = {tiny, tiny, tiny, tiny};
  const Quad never = {kNever, kNever, kNever, kNever};
  double* bound = scratch;
  const int count = last + 2;
  int k = 0;
  for (; k + 4 <= count; k += 4) {
    const Quad r = Load(re + k), i = Load(im + k);
    const Quad p = r * r + i * i;
    Store(power + k, p);
    Store(bound + k, p > t ? p * m : never);
  }
  for (; k < count; ++k) {
    const double p = re[k] * re[k] + im[k] * im[k];
    power[k] = p;
    bound[k] = p > tiny ? p * margin : kNever;
  }

  int found = 0;
  auto take = [&](int from, QuadMask rejected) {
    for (int lane = 0; lane < 4; ++lane) {
      if (rejected[lane] == 0) bins[found++] = from + lane;
    }
  };
  k = 1;
  for (; k + 7 <= last; k += 8) {
    const Quad p0 = Load(power + k), p1 = Load(power + k + 4);
    const Quad b0 = Max(Max(Load(bound + k - 1), Load(bound + k + 1)), f);
    const Quad b1 = Max(Max(Load(bound + k + 3), Load(bound + k + 5)), f);
    const QuadMask r0 = p0 < b0, r1 = p1 < b1;
    if (AllSet(r0, r1)) continue;
    take(k, r0);
    take(k + 4, r1);
  }
  for (; k <= last; ++k) {
    if (!Rejected(power[k], power[k - 1], power[k + 1], floor, margin, tiny)) bins[found++] = k;
  }
  return found;
}

}  // namespace tonvale
