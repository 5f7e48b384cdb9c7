#include "dsp/real_fft.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "dsp/double_array.h"
#include "dsp/quad.h"  // last: it silences a warning for the rest of the file

namespace tonvale {
namespace {

using quad::Load;
using quad::Quad;
using quad::Store;

[[gnu::always_inline]] inline Quad Reversed(Quad q) {
  // The one shuffle builtin that both GCC (12 on) and clang know.
  return __builtin_shufflevector(q, q, 3, 2, 1, 0);
}

}  // namespace

bool RealFft::Prepare(int n) {
  n_ = 0;
  if (n < 1 || (n & (n - 1)) != 0) return false;
  const int h = n / 2;
  if (h > 0 && !half_.Prepare(h)) return false;
  const size_t quarter = static_cast<size_t>(n / 4) + 1;
  if (!TryAssign(cos_, quarter) || !TryAssign(sin_, quarter) ||
      !TryAssign(zr_, static_cast<size_t>(h)) || !TryAssign(zi_, static_cast<size_t>(h)) ||
      !TryAssign(blockRe_, static_cast<size_t>(h / 4)) ||
      !TryAssign(blockIm_, static_cast<size_t>(h / 4))) {
    return false;
  }
  // Angles up to a quarter turn; the quarter point itself is exact.
  for (size_t k = 0; k < quarter; ++k) {
    const size_t mirrored = static_cast<size_t>(n / 4) - k;
    if (2 * k <= static_cast<size_t>(n / 4)) {
      const double a = 2.0 * std::numbers::pi * static_cast<double>(k) / n;
      cos_[k] = std::cos(a);
      sin_[k] = std::sin(a);
    } else {
      const double a = 2.0 * std::numbers::pi * static_cast<double>(mirrored) / n;
      cos_[k] = std::sin(a);
      sin_[k] = std::cos(a);
    }
  }
  n_ = n;
  return true;
}

namespace {

// z[m] = x[2m] + i x[2m+1] into zr, zi in bit-reversed order, each value `copies` times (see
// Forward); x is 0 from x[filled] on.
TONVALE_VECTOR_CLONES void CopyBitReversed(const ComplexFft& half, const double* x, int filled,
                                           int copies, double* zr, double* zi) {
  const int h = half.size();
  if (copies == 1 && h >= 4) {
    // m, m + h/2, m + h/4 and m + 3h/4 go to r = BitReversed(m) and the three places after it
    // (their top two bits become the bottom two), so four reads in order fill four places.
    const int q = h / 4;
    if (filled == 2 * h) {
      for (int m = 0; m < q; ++m) {
        const uint32_t r = half.BitReversed(m);
        const double* a = x + 2 * m;
        const double* b = x + 2 * (m + 2 * q);
        const double* c = x + 2 * (m + q);
        const double* d = x + 2 * (m + 3 * q);
        Store(zr + r, Quad{a[0], b[0], c[0], d[0]});
        Store(zi + r, Quad{a[1], b[1], c[1], d[1]});
      }
      return;
    }
    auto value = [x, filled](int i) { return i < filled ? x[i] : 0.0; };
    for (int m = 0; m < q; ++m) {
      const uint32_t r = half.BitReversed(m);
      const int a = 2 * m, b = 2 * (m + 2 * q), c = 2 * (m + q), d = 2 * (m + 3 * q);
      Store(zr + r, Quad{value(a), value(b), value(c), value(d)});
      Store(zi + r, Quad{value(a + 1), value(b + 1), value(c + 1), value(d + 1)});
    }
    return;
  }
  const int count = h / copies;
  for (int m = 0; m < count; ++m) {
    const double a = 2 * m < filled ? x[2 * m] : 0.0;
    const double b = 2 * m + 1 < filled ? x[2 * m + 1] : 0.0;
    const uint32_t r = half.BitReversed(m);
    if (copies % 4 == 0) {
      const Quad qa = {a, a, a, a}, qb = {b, b, b, b};
      for (int c = 0; c < copies; c += 4) {
        Store(zr + r + c, qa);
        Store(zi + r + c, qb);
      }
    } else {
      for (int c = 0; c < copies; ++c) {
        zr[r + static_cast<uint32_t>(c)] = a;
        zi[r + static_cast<uint32_t>(c)] = b;
      }
    }
  }
}

// With Z the transform of z[m] = x[2m] + i x[2m+1] (h = n/2 points), the even and odd halves are
// E[k] = (Z[k] + conj Z[h-k]) / 2 and O[k] = (Z[k] - conj Z[h-k]) / 2i, and
// X[k] = E[k] + W^k O[k], X[h-k] = conj(E[k]) - conj(W^k O[k]) with W = e^(-2 pi i / n).
// cosines and sines hold W^k for k <= n/4. Bins 0 and h are the caller's. Each bin is multiplied
// by `scale` as it is stored, which rounds as a pass over the finished bins would.
TONVALE_VECTOR_CLONES void SplitHalves(const double* zr, const double* zi, int h,
                                       const double* cosines, const double* sines, double scale,
                                       double* re, double* im) {
  const Quad scales = {scale, scale, scale, scale};
  // Four bins k at a time, with their mirrors h - k read and written in reverse; the same
  // operations on every lane as the bin-by-bin loop below, which does the rest.
  int k = 1;
  for (; k + 3 < h - k - 3; k += 4) {
    const int j = h - k - 3;  // the lowest of the four mirrors
    const Quad zrk = Load(zr + k), zik = Load(zi + k);
    const Quad zrj = Reversed(Load(zr + j)), zij = Reversed(Load(zi + j));
    const Quad er = 0.5 * (zrk + zrj), ei = 0.5 * (zik - zij);
    const Quad orr = 0.5 * (zik + zij), oi = -0.5 * (zrk - zrj);
    const Quad c = Load(cosines + k), s = Load(sines + k);
    const Quad tr = orr * c + oi * s, ti = oi * c - orr * s;
    Store(re + k, (er + tr) * scales);
    Store(im + k, (ei + ti) * scales);
    Store(re + j, Reversed(er - tr) * scales);
    Store(im + j, Reversed(-(ei - ti)) * scales);
  }
  for (; 2 * k <= h; ++k) {
    const int j = h - k;
    const double er = 0.5 * (zr[k] + zr[j]), ei = 0.5 * (zi[k] - zi[j]);
    const double orr = 0.5 * (zi[k] + zi[j]), oi = -0.5 * (zr[k] - zr[j]);
    // W^k = cos - i sin of 2 pi k / n; k <= n/4 is inside the table.
    const double c = cosines[k], s = sines[k];
    const double tr = orr * c + oi * s, ti = oi * c - orr * s;
    re[k] = (er + tr) * scale;
    im[k] = (ei + ti) * scale;
    re[j] = (er - tr) * scale;
    im[j] = (-(ei - ti)) * scale;
  }
}

}  // namespace

void RealFft::Forward(const double* x, double* re, double* im, int filled, double scale) {
  const int n = n_;
  if (n == 1) {
    re[0] = x[0] * scale;
    im[0] = 0.0 * scale;
    return;
  }
  const int h = n / 2;
  double* zr = zr_.data();
  double* zi = zi_.data();
  // z[m] is 0 from m = pairs on. With z zero past h / 2^s, the first s levels of the transform
  // merge every value with zeros only, which copies it 2^s times in bit-reversed order.
  filled = std::clamp(filled, 0, n);
  const int pairs = (filled + 1) / 2;
  int levels = 0;
  while ((2 << levels) <= h && (h >> (levels + 1)) >= pairs) ++levels;
  levels = half_.StageBoundaryAtMost(levels);
  if (levels >= 2) {
    // The merged runs are constant: one value each, without writing the copies.
    double* br = blockRe_.data();
    double* bi = blockIm_.data();
    for (int m = 0; m < h >> levels; ++m) {
      const uint32_t j = half_.BitReversed(m) >> levels;
      br[j] = 2 * m < filled ? x[2 * m] : 0.0;
      bi[j] = 2 * m + 1 < filled ? x[2 * m + 1] : 0.0;
    }
    half_.ForwardFromBlocks(br, bi, levels, zr, zi);
  } else {
    CopyBitReversed(half_, x, filled, 1 << levels, zr, zi);
    half_.ForwardFromBitReversed(zr, zi, levels);
  }
  re[0] = (zr[0] + zi[0]) * scale;
  im[0] = 0.0 * scale;
  re[h] = (zr[0] - zi[0]) * scale;
  im[h] = 0.0 * scale;
  SplitHalves(zr, zi, h, cos_.data(), sin_.data(), scale, re, im);
}

namespace {

// One bin of the reverse of Forward: Z[k] = (X[k] + conj X[h-k]) + i (X[k] - conj X[h-k]) W^-k
// for 0 < k < h, stored at `at`. W^-k comes from the table's bin min(k, h - k): past a quarter
// turn its cosine changes sign.
[[gnu::always_inline]] inline void InverseBin(const double* re, const double* im, int h, int k,
                                              const double* cosines, const double* sines,
                                              double* zr, double* zi, uint32_t at) {
  const int j = h - k;
  const bool low = 2 * k <= h;
  const double c = low ? cosines[k] : -cosines[j], s = low ? sines[k] : sines[j];
  const double fr = re[k] + re[j], fi = im[k] - im[j];
  const double pr = re[k] - re[j], pi = im[k] + im[j];
  const double gr = pr * c - pi * s, gi = pr * s + pi * c;
  zr[at] = fr - gi;
  zi[at] = fi + gr;
}

}  // namespace

// The reverse of Forward: the bins made into Z, the transform of 2z, in bit-reversed order, so
// that an unscaled inverse of h points gives n z. Bins m, m + h/2, m + h/4 and m + 3h/4 go to
// r = BitReversed(m) and the three places after it, so the bins are read in four ascending and
// four descending runs and written four places at a time.
void RealFft::Inverse(const double* re, const double* im, double* x) {
  const int n = n_;
  if (n == 1) {
    x[0] = re[0];
    return;
  }
  const int h = n / 2;
  double* zr = zr_.data();
  double* zi = zi_.data();
  const double* cosines = cos_.data();
  const double* sines = sin_.data();
  if (h < 4) {
    for (int k = 1; k < h; ++k)
      InverseBin(re, im, h, k, cosines, sines, zr, zi, half_.BitReversed(k));
  } else {
    const int q = h / 4;
    for (int m = 0; m < q; ++m) {
      const uint32_t r = half_.BitReversed(m);
      if (m != 0) InverseBin(re, im, h, m, cosines, sines, zr, zi, r);
      InverseBin(re, im, h, m + 2 * q, cosines, sines, zr, zi, r + 1);
      InverseBin(re, im, h, m + q, cosines, sines, zr, zi, r + 2);
      InverseBin(re, im, h, m + 3 * q, cosines, sines, zr, zi, r + 3);
    }
  }
  {
    const double f = re[0] + re[h], g = re[0] - re[h];
    const uint32_t r = half_.BitReversed(0);
    zr[r] = f;
    zi[r] = g;
  }
  half_.InverseFromBitReversed(zr, zi);
  for (int m = 0; m < h; ++m) {
    x[2 * m] = zr[m];
    x[2 * m + 1] = zi[m];
  }
}

}  // namespace tonvale
