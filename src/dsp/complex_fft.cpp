#include "dsp/complex_fft.h"

#include <cmath>
#include <numbers>
#include <utility>

#include "dsp/double_array.h"

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

constexpr double kSqrtHalf = 0.70710678118654752440;

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
  Stages<false>(re, im);
}

void ComplexFft::Inverse(double* re, double* im) const {
  Permute(re, im);
  Stages<true>(re, im);
}

void ComplexFft::ForwardFromBitReversed(double* re, double* im) const {
  Stages<false>(re, im);
}

void ComplexFft::InverseFromBitReversed(double* re, double* im) const {
  Stages<true>(re, im);
}

// Each radix-4 stage merges four transforms of length L (blocks A, B, C, D of a group of 4L)
// into one of length 4L. With w = e^(-2 pi i / 4L), b = w^2k B[k], c = w^k C[k], d = w^3k D[k]:
//   X[k] = (A + b) + (c + d)        X[k + 2L] = (A + b) - (c + d)
//   X[k + L] = (A - b) - i(c - d)   X[k + 3L] = (A - b) + i(c - d)
// which is two radix-2 stages done at once. The inverse conjugates w and i.
template <bool kInverse>
void ComplexFft::Stages(double* re, double* im) const {
  const int n = n_;
  int L = 1;
  if (oddLog2_) {
    for (int i = 0; i < n; i += 2) {
      const double ar = re[i], ai = im[i], br = re[i + 1], bi = im[i + 1];
      re[i] = ar + br;
      im[i] = ai + bi;
      re[i + 1] = ar - br;
      im[i + 1] = ai - bi;
    }
    L = 2;
  }
  if (L == 2 && 4 * L <= n) {
    // w = e^(-2 pi i / 8): the twiddles of k = 1 are w, w^2 = -i and w^3.
    for (int g = 0; g < n; g += 8) {
      for (int k = 0; k < 2; ++k) {
        const int i0 = g + k, i1 = i0 + 2, i2 = i0 + 4, i3 = i0 + 6;
        const double ar = re[i0], ai = im[i0];
        double br = re[i1], bi = im[i1], cr = re[i2], ci = im[i2], dr = re[i3], di = im[i3];
        if (k == 1) {
          // Forward: b (-i), c (1 - i)/sqrt2, d (-1 - i)/sqrt2; the inverse conjugates them.
          const double s = kInverse ? -1.0 : 1.0;
          const double b0 = br;
          br = s * bi;
          bi = -s * b0;
          const double c0 = cr;
          cr = kSqrtHalf * (c0 + s * ci);
          ci = kSqrtHalf * (ci - s * c0);
          const double d0 = dr;
          dr = kSqrtHalf * (-d0 + s * di);
          di = kSqrtHalf * (-di - s * d0);
        }
        const double sr = ar + br, si = ai + bi, ur = ar - br, ui = ai - bi;
        const double pr = cr + dr, pi = ci + di, qr = cr - dr, qi = ci - di;
        re[i0] = sr + pr;
        im[i0] = si + pi;
        re[i2] = sr - pr;
        im[i2] = si - pi;
        if constexpr (kInverse) {
          re[i1] = ur - qi;
          im[i1] = ui + qr;
          re[i3] = ur + qi;
          im[i3] = ui - qr;
        } else {
          re[i1] = ur + qi;
          im[i1] = ui - qr;
          re[i3] = ur - qi;
          im[i3] = ui + qr;
        }
      }
    }
    L = 8;
  }
  const double* t = twiddles_.data();
  for (; 4 * L <= n; L *= 4) {
    const int span = 4 * L;
    if (L == 1) {
      for (int g = 0; g < n; g += 4) {
        const double ar = re[g], ai = im[g];
        const double br = re[g + 1], bi = im[g + 1];
        const double cr = re[g + 2], ci = im[g + 2];
        const double dr = re[g + 3], di = im[g + 3];
        const double sr = ar + br, si = ai + bi, ur = ar - br, ui = ai - bi;
        const double pr = cr + dr, pi = ci + di, qr = cr - dr, qi = ci - di;
        re[g] = sr + pr;
        im[g] = si + pi;
        re[g + 2] = sr - pr;
        im[g + 2] = si - pi;
        if constexpr (kInverse) {
          re[g + 1] = ur - qi;
          im[g + 1] = ui + qr;
          re[g + 3] = ur + qi;
          im[g + 3] = ui - qr;
        } else {
          re[g + 1] = ur + qi;
          im[g + 1] = ui - qr;
          re[g + 3] = ur - qi;
          im[g + 3] = ui + qr;
        }
      }
      continue;
    }
    const double* stage = t;
    t += 6 * static_cast<size_t>(L);
    // Which way the stage's rotations turn: forward multiplies by cos - i sin.
    constexpr double sign = kInverse ? -1.0 : 1.0;
    for (int g = 0; g < n; g += span) {
      // The eight runs of a group do not overlap.
      double* __restrict r0 = re + g;
      double* __restrict i0 = im + g;
      double* __restrict r1 = r0 + L;
      double* __restrict i1 = i0 + L;
      double* __restrict r2 = r1 + L;
      double* __restrict i2 = i1 + L;
      double* __restrict r3 = r2 + L;
      double* __restrict i3 = i2 + L;
      for (int k0 = 0; k0 < L; k0 += 4) {
        const double* block = stage + static_cast<size_t>(k0) * 6;
        for (int e = 0; e < 4; ++e) {
          const int k = k0 + e;
          const double c1 = block[e], s1 = sign * block[4 + e];
          const double c2 = block[8 + e], s2 = sign * block[12 + e];
          const double c3 = block[16 + e], s3 = sign * block[20 + e];
          const double ar = r0[k], ai = i0[k];
          // Multiplying by c - i s: (x + iy)(c - i s) = (xc + ys) + i(yc - xs).
          const double br = r1[k] * c2 + i1[k] * s2, bi = i1[k] * c2 - r1[k] * s2;
          const double cr = r2[k] * c1 + i2[k] * s1, ci = i2[k] * c1 - r2[k] * s1;
          const double dr = r3[k] * c3 + i3[k] * s3, di = i3[k] * c3 - r3[k] * s3;
          const double sr = ar + br, si = ai + bi, ur = ar - br, ui = ai - bi;
          const double pr = cr + dr, pi = ci + di, qr = cr - dr, qi = ci - di;
          r0[k] = sr + pr;
          i0[k] = si + pi;
          r2[k] = sr - pr;
          i2[k] = si - pi;
          if constexpr (kInverse) {
            r1[k] = ur - qi;
            i1[k] = ui + qr;
            r3[k] = ur + qi;
            i3[k] = ui - qr;
          } else {
            r1[k] = ur + qi;
            i1[k] = ui - qr;
            r3[k] = ur - qi;
            i3[k] = ui + qr;
          }
        }
      }
    }
  }
}

template void ComplexFft::Stages<false>(double*, double*) const;
template void ComplexFft::Stages<true>(double*, double*) const;

}  // namespace tonvale
