#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <numbers>
#include <random>
#include <vector>

#include "dsp/complex_fft.h"
#include "dsp/fft.h"
#include "dsp/frame_spectrum_fft.h"
#include "dsp/real_fft.h"
#include "support/literal_kit.h"
#include "support/whole_signal.h"

namespace tonvale {
namespace {

std::vector<double> Noise(size_t n, unsigned seed) {
  std::mt19937 random(seed);
  std::uniform_real_distribution<double> value(-32768.0, 32767.0);
  std::vector<double> x(n);
  for (double& v : x) v = value(random);
  return x;
}

double MaxAbs(const std::vector<double>& x) {
  double m = 0;
  for (double v : x) m = std::max(m, std::fabs(v));
  return m;
}

// The largest difference, relative to the largest value: rounding of a transform grows like
// log2(n) ulps of the largest value.
double RelativeGap(const std::vector<double>& a, const std::vector<double>& b) {
  double gap = 0;
  for (size_t i = 0; i < a.size(); ++i) gap = std::max(gap, std::fabs(a[i] - b[i]));
  return gap / std::max(MaxAbs(a), 1e-300);
}

TEST(FftTest, Log2CeilAndRefusedSizes) {
  EXPECT_EQ(Log2Ceil(0), 1);
  EXPECT_EQ(Log2Ceil(1), 1);
  EXPECT_EQ(Log2Ceil(2), 1);
  EXPECT_EQ(Log2Ceil(3), 2);
  EXPECT_EQ(Log2Ceil(4096), 12);
  EXPECT_EQ(Log2Ceil(4097), 13);
  for (int n : {1, 3, 6, 12, 0, -4}) {
    std::vector<double> re(16, 7.0), im(16, 3.0);
    EXPECT_EQ(Fft(re.data(), im.data(), n, false), 0) << n;
    EXPECT_EQ(re, std::vector<double>(16, 7.0));
    EXPECT_EQ(im, std::vector<double>(16, 3.0));
  }
}

TEST(FftTest, AgreesWithTheLiteralTransformAndRoundTrips) {
  for (int n = 2; n <= 65536; n *= 2) {
    const std::vector<double> re0 = Noise(static_cast<size_t>(n), 1),
                              im0 = Noise(static_cast<size_t>(n), 2);
    std::vector<double> re = re0, im = im0, lre = re0, lim = im0;
    ASSERT_EQ(Fft(re.data(), im.data(), n, false), 1);
    ASSERT_EQ(literal::Fft(lre.data(), lim.data(), n, false), 1);
    // The literal twiddles, made by repeated multiplication, drift by about n ulps.
    const double tolerance = 1e-13 + n * 2e-16;
    EXPECT_LT(RelativeGap(lre, re), tolerance) << n;
    EXPECT_LT(RelativeGap(lim, im), tolerance) << n;
    ASSERT_EQ(Fft(re.data(), im.data(), n, true), 1);
    EXPECT_LT(RelativeGap(re0, re), 1e-14) << n;
    EXPECT_LT(RelativeGap(im0, im), 1e-14) << n;
  }
}

TEST(FftTest, ForwardTransformOfAnImpulseAndATone) {
  const int n = 8;
  std::vector<double> re(n, 0.0), im(n, 0.0);
  re[1] = 1.0;  // X[k] = e^(-2 pi i k / n)
  ASSERT_EQ(Fft(re.data(), im.data(), n, false), 1);
  for (int k = 0; k < n; ++k) {
    EXPECT_NEAR(re[static_cast<size_t>(k)], std::cos(2 * M_PI * k / n), 1e-15);
    EXPECT_NEAR(im[static_cast<size_t>(k)], -std::sin(2 * M_PI * k / n), 1e-15);
  }
}

TEST(RealFftTest, MatchesTheComplexTransformAndInvertsToNTimesTheSignal) {
  for (int n = 1; n <= 32768; n *= 2) {
    const std::vector<double> x = Noise(static_cast<size_t>(n), 5);
    std::vector<double> re = x, im(static_cast<size_t>(n), 0.0);
    ComplexFft full;
    ASSERT_TRUE(full.Prepare(n));
    full.Forward(re.data(), im.data());
    RealFft real;
    ASSERT_TRUE(real.Prepare(n));
    std::vector<double> rr(static_cast<size_t>(n / 2 + 1)), ri(rr.size());
    real.Forward(x.data(), rr.data(), ri.data());
    re.resize(rr.size());
    im.resize(rr.size());
    EXPECT_LT(RelativeGap(re, rr), 1e-14) << n;
    EXPECT_LT(RelativeGap(im, ri), 1e-14) << n;
    std::vector<double> back(static_cast<size_t>(n));
    real.Inverse(rr.data(), ri.data(), back.data());
    for (double& v : back) v /= n;
    EXPECT_LT(RelativeGap(x, back), 1e-14) << n;
  }
  RealFft odd;
  EXPECT_FALSE(odd.Prepare(12));
}

// The inverse's first pass, bin by bin in natural order as its formula reads: the blocked
// pass must give the very same bits.
std::vector<double> InverseBinByBin(const std::vector<double>& re, const std::vector<double>& im,
                                    int n) {
  const int h = n / 2;
  ComplexFft half;
  EXPECT_TRUE(half.Prepare(h));
  auto root = [n](int k, bool cosine) {  // as RealFft::Prepare makes its table
    const bool direct = 2 * k <= n / 4;
    const double a = 2.0 * std::numbers::pi * (direct ? k : n / 4 - k) / n;
    return direct == cosine ? std::cos(a) : std::sin(a);
  };
  std::vector<double> zr(static_cast<size_t>(h)), zi(zr.size());
  auto at = [&](int k) { return static_cast<size_t>(half.BitReversed(k)); };
  zr[at(0)] = re[0] + re[static_cast<size_t>(h)];
  zi[at(0)] = re[0] - re[static_cast<size_t>(h)];
  for (int k = 1; k < h; ++k) {
    const size_t i = static_cast<size_t>(k), j = static_cast<size_t>(h - k);
    const int t = std::min(k, h - k);
    const double c = 2 * k <= h ? root(t, true) : -root(t, true), s = root(t, false);
    const double pr = re[i] - re[j], pi = im[i] + im[j];
    zr[at(k)] = (re[i] + re[j]) - (pr * s + pi * c);
    zi[at(k)] = (im[i] - im[j]) + (pr * c - pi * s);
  }
  half.InverseFromBitReversed(zr.data(), zi.data());
  std::vector<double> x;
  for (int m = 0; m < h; ++m) {
    x.push_back(zr[static_cast<size_t>(m)]);
    x.push_back(zi[static_cast<size_t>(m)]);
  }
  return x;
}

TEST(RealFftTest, InverseGivesTheBitsOfTheBinByBinPass) {
  for (int n : {2, 4, 8, 16, 32768}) {
    const std::vector<double> re = Noise(static_cast<size_t>(n / 2 + 1), 8);
    const std::vector<double> im = Noise(re.size(), 9);
    RealFft real;
    ASSERT_TRUE(real.Prepare(n));
    std::vector<double> x(static_cast<size_t>(n));
    real.Inverse(re.data(), im.data(), x.data());
    EXPECT_EQ(x, InverseBinByBin(re, im, n)) << n;
  }
}

TEST(SpectrumFftTest, ConstantGivesOneInBinZeroAndSizeZeroReleases) {
  SpectrumFftCache cache;
  std::vector<double> x(4096, 1.0), y(4096, 0.0);
  ASSERT_EQ(SpectrumFft(cache, 4096, x.data(), y.data()), 0);
  EXPECT_EQ(cache.size(), 4096);
  EXPECT_DOUBLE_EQ(x[0], 1.0);
  for (size_t k = 1; k < x.size(); ++k) {
    ASSERT_NEAR(x[k], 0.0, 1e-15) << k;
    ASSERT_NEAR(y[k], 0.0, 1e-15) << k;
  }
  // The inverse is unscaled: back to the constant.
  ASSERT_EQ(SpectrumFft(cache, -4096, x.data(), y.data()), 0);
  for (double v : x) ASSERT_NEAR(v, 1.0, 1e-15);
  EXPECT_EQ(SpectrumFft(cache, 0, x.data(), y.data()), 0);
  EXPECT_EQ(cache.size(), 0);
  // The refusal is the result alone: the numeric kit never prints.
  ::testing::internal::CaptureStderr();
  EXPECT_EQ(SpectrumFft(cache, 100, x.data(), y.data()), 1);
  EXPECT_EQ(::testing::internal::GetCapturedStderr(), "");
  EXPECT_EQ(cache.size(), 0);
}

TEST(SpectrumFftTest, AgreesWithTheTableDrivenTransformInBothDirections) {
  SpectrumFftCache cache;
  literal::SpectrumFft reference;
  for (int n : {4, 8, 64, 4096, 16384}) {
    for (int direction : {1, -1}) {
      std::vector<double> x = Noise(static_cast<size_t>(n), 8),
                          y = Noise(static_cast<size_t>(n), 9);
      std::vector<double> lx = x, ly = y;
      ASSERT_EQ(SpectrumFft(cache, direction * n, x.data(), y.data()), 0);
      reference.Transform(direction * n, lx.data(), ly.data());
      EXPECT_LT(RelativeGap(lx, x), 1e-13) << n << " " << direction;
      EXPECT_LT(RelativeGap(ly, y), 1e-13) << n << " " << direction;
    }
  }
}

TEST(SpectrumFftTest, RealFrameGivesTheLowerHalfOfTheComplexResult) {
  SpectrumFftCache cache;
  const std::vector<double> frame = Noise(4096, 11);
  std::vector<double> x = frame, y(4096, 0.0);
  ASSERT_EQ(SpectrumFft(cache, 4096, x.data(), y.data()), 0);
  std::vector<double> re(2049), im(2049);
  ASSERT_EQ(RealSpectrumFft(cache, 4096, frame.data(), re.data(), im.data(), 4096), 0);
  x.resize(2049);
  y.resize(2049);
  EXPECT_LT(RelativeGap(x, re), 1e-14);
  EXPECT_LT(RelativeGap(y, im), 1e-14);
}

// A frame padded with zeros skips the transform's first levels, which only copy its values:
// the result must be the very one of the whole transform, and the padding never read.
TEST(RealFftTest, ZeroPaddedFramesGiveExactlyTheWholeTransform) {
  for (int n : {2, 16, 32, 2048, 4096}) {
    RealFft fft;
    ASSERT_TRUE(fft.Prepare(n));
    for (int filled : {1, 3, n / 16, n / 8 + 1, n / 4, n / 2, n / 2 + 1, 3 * n / 4 + 1, n - 1, n}) {
      if (filled < 1 || filled > n) continue;
      std::vector<double> padded = Noise(static_cast<size_t>(n), 12);
      std::fill(padded.begin() + filled, padded.end(), 0.0);
      std::vector<double> garbage = padded;
      std::fill(garbage.begin() + filled, garbage.end(), 1e300);
      std::vector<double> re(static_cast<size_t>(n / 2 + 1)), im(re.size());
      std::vector<double> expectedRe(re.size()), expectedIm(re.size());
      fft.Forward(padded.data(), expectedRe.data(), expectedIm.data());
      fft.Forward(garbage.data(), re.data(), im.data(), filled);
      EXPECT_EQ(re, expectedRe) << n << " points, " << filled << " filled";
      EXPECT_EQ(im, expectedIm) << n << " points, " << filled << " filled";
    }
  }
}

}  // namespace
}  // namespace tonvale
