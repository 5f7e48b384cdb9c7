#include "dsp/complex_fft.h"

#include <cmath>
#include <numbers>
#include <utility>

#include "dsp/double_array.h"
#include "dsp/quad.h"  // last: it silences a warning for the rest of the file

namespace tonvale {
namespace {

int Log2OfPowerOfTwo(int n) {
  int m = 0;
  while ((1 << m) < n) ++m;
  return m;
}

// cos and sin of 2 pi m / n, reduced to the first octant so that every value is as accurate as
// the library's sine and cosine of a small angle.
void UnitRoot(int64_t m, int64_t n, double& c, double& s) {
  m %= n;
  // Work in eighths of a turn: angle = 2 pi m / n.
  const int64_t eighth = m * 8 / n;
  const double turn = 2.0 * std::numbers::pi;
  auto angle = [&](int64_t numerator) { return turn * static_cast<double>(numerator) / (8.0 * n); };
  // r = 8m - eighth * n lies in [0, n): the position inside the octant, in units of 2 pi / 8n.
  const int64_t r = 8 * m - eighth * n;
  const double a = angle(r);      // angle past the octant's start
  const double b = angle(n - r);  // angle before the octant's end
  switch (eighth) {
    case 0:
      c = std::cos(a), s = std::sin(a);
      break;
    case 1:
      c = std::sin(b), s = std::cos(b);
      break;
    case 2:
      c = -std::sin(a), s = std::cos(a);
      break;
    case 3:
      c = -std::cos(b), s = std::sin(b);
      break;
    case 4:
      c = -std::cos(a), s = -std::sin(a);
      break;
    case 5:
      c = -std::sin(b), s = -std::cos(b);
      break;
    case 6:
      c = std::sin(a), s = -std::cos(a);
      break;
    default:
      c = std::cos(b), s = -std::sin(b);
      break;
  }
}

// The quarter length of the first stage that needs a twiddle table; the stages before it
// (a radix-2 stage and a radix-4 stage of L = 1 or 2) use constants.
int FirstQuarter(bool oddLog2) {
  return oddLog2 ? 8 : 4;
}

}  // namespace

bool ComplexFft::Prepare(int n) {
  n_ = 0;
  if (n < 1 || (n & (n - 1)) != 0) return false;
  const int log2n = Log2OfPowerOfTwo(n);
  oddLog2_ = (log2n % 2) != 0;
  size_t twiddleCount = 0;
  for (int L = FirstQuarter(oddLog2_); 4 * L <= n; L *= 4)
    twiddleCount += 6 * static_cast<size_t>(L);
  if (!TryAssign(reversed_, static_cast<size_t>(n)) || !TryAssign(twiddles_, twiddleCount)) {
    return false;
  }
  for (int j = 0; j < n; ++j) {
    uint32_t r = 0;
    for (int b = 0; b < log2n; ++b) r |= ((static_cast<uint32_t>(j) >> b) & 1u) << (log2n - 1 - b);
    reversed_[static_cast<size_t>(j)] = r;
  }
  // Stored in blocks of four k: c1[4] s1[4] c2[4] s2[4] c3[4] s3[4], so that a stage reads its
  // twiddles as one stream.
  double* t = twiddles_.data();
  for (int L = FirstQuarter(oddLog2_); 4 * L <= n; L *= 4) {
    for (int k = 0; k < L; ++k) {
      double* block = t + static_cast<size_t>(k / 4) * 24 + static_cast<size_t>(k % 4);
      for (int j = 1; j <= 3; ++j) {
        UnitRoot(static_cast<int64_t>(j) * k, 4 * static_cast<int64_t>(L),
                 block[static_cast<size_t>(8 * (j - 1))],
                 block[static_cast<size_t>(8 * (j - 1) + 4)]);
      }
    }
    t += 6 * static_cast<size_t>(L);
  }
  n_ = n;
  return true;
}

void ComplexFft::Permute(double* re, double* im) const {
  for (int j = 0; j < n_; ++j) {
    const int r = static_cast<int>(reversed_[static_cast<size_t>(j)]);
    if (j < r) {
      std::swap(re[j], re[r]);
      std::swap(im[j], im[r]);
    }
  }
}

void ComplexFft::Forward(double* re, double* im) const {
  Permute(re, im);
  Stages<false>(re, im, 0);
}

void ComplexFft::Inverse(double* re, double* im) const {
  Permute(re, im);
  Stages<true>(re, im, 0);
}

void ComplexFft::ForwardFromBitReversed(double* re, double* im, int levelsDone) const {
  Stages<false>(re, im, levelsDone);
}

void ComplexFft::InverseFromBitReversed(double* re, double* im) const {
  Stages<true>(re, im, 0);
}

int ComplexFft::StageBoundaryAtMost(int levels) const {
  // The stages end after levels 1, 3, 5 ... (a radix-2 stage first) or 2, 4, 6 ...
  const int first = oddLog2_ ? 1 : 2;
  if (levels < first) return 0;
  return levels - (levels - first) % 2;
}

namespace {

// Each radix-4 stage merges four transforms of length L (blocks A, B, C, D of a group of 4L)
// into one of length 4L. With w = e^(-2 pi i / 4L), b = w^2k B[k], c = w^k C[k], d = w^3k D[k]:
//   X[k] = (A + b) + (c + d)        X[k + 2L] = (A + b) - (c + d)
//   X[k + L] = (A - b) - i(c - d)   X[k + 3L] = (A - b) + i(c - d)
// which is two radix-2 stages done at once. The inverse conjugates w and i. The butterfly takes
// A and the rotated b, c, d and leaves X[k], X[k + L], X[k + 2L], X[k + 3L] in their places. T
// is a double or a vector of them: the same operations on every lane.
template <bool kInverse, typename T>
[[gnu::always_inline]] inline void Butterfly(T& ar, T& ai, T& br, T& bi, T& cr, T& ci, T& dr,
                                             T& di) {
  const T sr = ar + br, si = ai + bi, ur = ar - br, ui = ai - bi;
  const T pr = cr + dr, pi = ci + di, qr = cr - dr, qi = ci - di;
  ar = sr + pr;
  ai = si + pi;
  cr = sr - pr;
  ci = si - pi;
  if constexpr (kInverse) {
    br = ur - qi;
    bi = ui + qr;
    dr = ur + qi;
    di = ui - qr;
  } else {
    br = ur + qi;
    bi = ui - qr;
    dr = ur - qi;
    di = ui + qr;
  }
}

// (x + iy)(c - i s) = (xc + ys) + i(yc - xs): the forward rotation; the inverse negates s.
template <typename T>
[[gnu::always_inline]] inline void Rotate(T& x, T& y, T c, T s) {
  const T r = x * c + y * s;
  y = y * c - x * s;
  x = r;
}

using quad::Load;
using quad::Quad;
using quad::Store;

// The first radix-4 stage (L = 1): no rotations.
template <bool kInverse>
void FirstRadix4Stage(double* re, double* im, int n) {
  for (int g = 0; g < n; g += 4) {
    double ar = re[g], ai = im[g], br = re[g + 1], bi = im[g + 1];
    double cr = re[g + 2], ci = im[g + 2], dr = re[g + 3], di = im[g + 3];
    Butterfly<kInverse>(ar, ai, br, bi, cr, ci, dr, di);
    re[g] = ar, im[g] = ai, re[g + 1] = br, im[g + 1] = bi;
    re[g + 2] = cr, im[g + 2] = ci, re[g + 3] = dr, im[g + 3] = di;
  }
}

constexpr double kSqrtHalf = 0.70710678118654752440;

// The radix-4 stage of L = 2 after a radix-2 stage: w = e^(-2 pi i / 8), so the rotations of
// k = 1 are w^2 = -i, w and w^3, written out.
template <bool kInverse>
void SecondRadix4Stage(double* re, double* im, int n) {
  const double s = kInverse ? -1.0 : 1.0;
  for (int g = 0; g < n; g += 8) {
    for (int k = 0; k < 2; ++k) {
      const int i0 = g + k, i1 = i0 + 2, i2 = i0 + 4, i3 = i0 + 6;
      double ar = re[i0], ai = im[i0], br = re[i1], bi = im[i1];
      double cr = re[i2], ci = im[i2], dr = re[i3], di = im[i3];
      if (k == 1) {
        // Forward: b (-i), c (1 - i)/sqrt2, d (-1 - i)/sqrt2; the inverse conjugates them.
        const double b0 = br, c0 = cr, d0 = dr;
        br = s * bi;
        bi = -s * b0;
        cr = kSqrtHalf * (c0 + s * ci);
        ci = kSqrtHalf * (ci - s * c0);
        dr = kSqrtHalf * (-d0 + s * di);
        di = kSqrtHalf * (-di - s * d0);
      }
      Butterfly<kInverse>(ar, ai, br, bi, cr, ci, dr, di);
      re[i0] = ar, im[i0] = ai, re[i1] = br, im[i1] = bi;
      re[i2] = cr, im[i2] = ci, re[i3] = dr, im[i3] = di;
    }
  }
}

// A radix-4 stage of quarter length L >= 4 with its table: for each block of four k, the
// cosines and sines of the rotations by w^k, w^2k and w^3k as six runs of four.
template <bool kInverse>
[[gnu::always_inline]] inline void Radix4Stage(double* re, double* im, int n, int L,
                                               const double* table) {
  const Quad sign = kInverse ? Quad{-1.0, -1.0, -1.0, -1.0} : Quad{1.0, 1.0, 1.0, 1.0};
  for (int g = 0; g < n; g += 4 * L) {
    double* r0 = re + g;
    double* i0 = im + g;
    for (int k = 0; k < L; k += 4) {
      const double* t = table + static_cast<size_t>(k) * 6;
      Quad ar = Load(r0 + k), ai = Load(i0 + k);
      Quad br = Load(r0 + L + k), bi = Load(i0 + L + k);
      Quad cr = Load(r0 + 2 * L + k), ci = Load(i0 + 2 * L + k);
      Quad dr = Load(r0 + 3 * L + k), di = Load(i0 + 3 * L + k);
      Rotate(br, bi, Load(t + 8), sign * Load(t + 12));
      Rotate(cr, ci, Load(t), sign * Load(t + 4));
      Rotate(dr, di, Load(t + 16), sign * Load(t + 20));
      Butterfly<kInverse>(ar, ai, br, bi, cr, ci, dr, di);
      Store(r0 + k, ar), Store(i0 + k, ai);
      Store(r0 + L + k, br), Store(i0 + L + k, bi);
      Store(r0 + 2 * L + k, cr), Store(i0 + 2 * L + k, ci);
      Store(r0 + 3 * L + k, dr), Store(i0 + 3 * L + k, di);
    }
  }
}

// The stages with tables, where the time goes.
TONVALE_VECTOR_CLONES void TableStages(double* re, double* im, int n, int L, const double* table,
                                       bool inverse) {
  for (; 4 * L <= n; L *= 4) {
    if (inverse) {
      Radix4Stage<true>(re, im, n, L, table);
    } else {
      Radix4Stage<false>(re, im, n, L, table);
    }
    table += 6 * static_cast<size_t>(L);
  }
}

// The radix-4 stage of quarter length L >= 4 whose four input runs of each group are constant,
// one value each from the blocks (four blocks to a group, see ForwardFromBlocks): the same
// operations on the same values as Radix4Stage<false> on the runs written out.
TONVALE_VECTOR_CLONES void ForwardStageFromBlocks(const double* blockRe, const double* blockIm,
                                                  double* re, double* im, int n, int L,
                                                  const double* table) {
  // Forward rotations take the table's sines as they are (Radix4Stage multiplies them by 1).
  for (int g = 0, j = 0; g < n; g += 4 * L, j += 4) {
    double* r0 = re + g;
    double* i0 = im + g;
    const Quad a0r = Quad{} + blockRe[j], a0i = Quad{} + blockIm[j];
    const Quad b0r = Quad{} + blockRe[j + 1], b0i = Quad{} + blockIm[j + 1];
    const Quad c0r = Quad{} + blockRe[j + 2], c0i = Quad{} + blockIm[j + 2];
    const Quad d0r = Quad{} + blockRe[j + 3], d0i = Quad{} + blockIm[j + 3];
    for (int k = 0; k < L; k += 4) {
      const double* t = table + static_cast<size_t>(k) * 6;
      Quad ar = a0r, ai = a0i, br = b0r, bi = b0i, cr = c0r, ci = c0i, dr = d0r, di = d0i;
      Rotate(br, bi, Load(t + 8), Load(t + 12));
      Rotate(cr, ci, Load(t), Load(t + 4));
      Rotate(dr, di, Load(t + 16), Load(t + 20));
      Butterfly<false>(ar, ai, br, bi, cr, ci, dr, di);
      Store(r0 + k, ar), Store(i0 + k, ai);
      Store(r0 + L + k, br), Store(i0 + L + k, bi);
      Store(r0 + 2 * L + k, cr), Store(i0 + 2 * L + k, ci);
      Store(r0 + 3 * L + k, dr), Store(i0 + 3 * L + k, di);
    }
  }
}

}  // namespace

void ComplexFft::ForwardFromBlocks(const double* blockRe, const double* blockIm, int levelsDone,
                                   double* re, double* im) const {
  const int n = n_;
  const int L = 1 << levelsDone;
  // The table's stages start at FirstQuarter(oddLog2_); those before L are skipped.
  const double* table = twiddles_.data();
  for (int l = FirstQuarter(oddLog2_); l < L; l *= 4) table += 6 * static_cast<size_t>(l);
  if (4 * L > n) {
    // Nothing is left to merge: the blocks are the transform's runs.
    for (int j = 0; j < n / L; ++j) {
      for (int c = 0; c < L; ++c) re[j * L + c] = blockRe[j], im[j * L + c] = blockIm[j];
    }
    return;
  }
  ForwardStageFromBlocks(blockRe, blockIm, re, im, n, L, table);
  TableStages(re, im, n, 4 * L, table + 6 * static_cast<size_t>(L), false);
}

// The stages run from level `levelsDone` on: 0, or the end of a stage (StageBoundaryAtMost).
template <bool kInverse>
void ComplexFft::Stages(double* re, double* im, int levelsDone) const {
  const int n = n_;
  int L = 1;  // a quarter of the length of the transforms the next stage makes
  int level = 0;
  if (oddLog2_) {
    if (level >= levelsDone) {
      for (int i = 0; i < n; i += 2) {
        const double ar = re[i], ai = im[i], br = re[i + 1], bi = im[i + 1];
        re[i] = ar + br;
        im[i] = ai + bi;
        re[i + 1] = ar - br;
        im[i + 1] = ai - bi;
      }
    }
    L = 2;
    level = 1;
    if (4 * L <= n) {
      if (level >= levelsDone) SecondRadix4Stage<kInverse>(re, im, n);
      L = 8;
      level = 3;
    }
  } else if (4 * L <= n) {
    if (level >= levelsDone) FirstRadix4Stage<kInverse>(re, im, n);
    L = 4;
    level = 2;
  }
  const double* table = twiddles_.data();
  for (; 4 * L <= n && level < levelsDone; L *= 4, level += 2) table += 6 * static_cast<size_t>(L);
  TableStages(re, im, n, L, table, kInverse);
}

template void ComplexFft::Stages<false>(double*, double*, int) const;
template void ComplexFft::Stages<true>(double*, double*, int) const;

}  // namespace tonvale
