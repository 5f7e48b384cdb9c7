#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "dsp/down_sample.h"
#include "dsp/kaiser.h"
#include "dsp/low_pass_fir.h"

namespace tonvale {
namespace {

TEST(BesselI0Test, SeriesValuesAndTheExactOneNearZero) {
  EXPECT_EQ(BesselI0(0.0), 1.0);
  EXPECT_EQ(BesselI0(8e-5), 1.0);  // x^2/4 below 2e-9: the first term is not added
  EXPECT_NEAR(BesselI0(1.0), 1.2660658777520082, 1e-8);
  EXPECT_NEAR(BesselI0(5.0), 27.239871823604442, 27.24 * 1e-8);
  // I0(x) ~ e^x / sqrt(2 pi x) for large x, the range of the anti-aliasing filter's window.
  const double x = 104.83326;
  EXPECT_NEAR(BesselI0(x) / (std::exp(x) / std::sqrt(2 * M_PI * x)), 1.0 + 1.0 / (8 * x), 1e-4);
}

TEST(KaiserParametersTest, BetaFormulasAndOrder) {
  EXPECT_EQ(KaiserParameters(20.0, 0.1).beta, 0.0);
  EXPECT_EQ(KaiserParameters(21.0, 0.1).beta, 0.0);
  EXPECT_NEAR(KaiserParameters(50.0, 0.1).beta, 4.533514, 1e-6);
  EXPECT_NEAR(KaiserParameters(960.0, 0.1).beta, 104.83326, 1e-9);
  // order = (A - 8) / (2.285 pi dw), truncated; a width of 0 stands for 0.0001.
  EXPECT_EQ(KaiserParameters(60.0, 0.1).order, 72);  // 52 / 0.71785 = 72.44
  EXPECT_EQ(KaiserParameters(60.0, 0.0).order, KaiserParameters(60.0, 0.0001).order);
}

TEST(KaiserWindowTest, SymmetricUnitPeakAndRefusesOnePoint) {
  std::vector<double> w(9, -1.0);
  ASSERT_EQ(KaiserWindow(w.data(), 9, 5.0), 1);
  EXPECT_DOUBLE_EQ(w[4], 1.0);
  EXPECT_DOUBLE_EQ(w[0], 1.0 / BesselI0(5.0));
  for (int i = 0; i < 9; ++i)
    EXPECT_DOUBLE_EQ(w[static_cast<size_t>(i)], w[static_cast<size_t>(8 - i)]);
  double untouched = -1.0;
  EXPECT_EQ(KaiserWindow(&untouched, 1, 5.0), 0);
  EXPECT_EQ(untouched, -1.0);
}

// The window is computed on half its points, series four at a time: it must give the bits of
// the formula at every point, for odd and even lengths and for lengths that leave a remainder.
TEST(KaiserWindowTest, EveryPointIsTheFormulasBits) {
  for (const int M : {2, 3, 7, 8, 9, 10, 14619}) {
    for (const double beta : {0.0, 5.0, 104.83326}) {
      std::vector<double> w(static_cast<size_t>(M));
      ASSERT_EQ(KaiserWindow(w.data(), M, beta), 1);
      for (int i = 0; i < M; ++i) {
        const double t = static_cast<double>(2 * i - M + 1) / (M - 1);
        const double expected = BesselI0(beta * std::sqrt(1.0 - t * t)) / BesselI0(beta);
        ASSERT_EQ(w[static_cast<size_t>(i)], expected)
            << "M " << M << " beta " << beta << " i " << i;
      }
    }
  }
}

TEST(DesignLowPassFirTest, OddLengthCentreTapAndSingleTap) {
  EXPECT_EQ(ScaledSinc(0.0, 0.25), 0.25);
  EXPECT_DOUBLE_EQ(ScaledSinc(M_PI / 2, 2.0), 4.0 / M_PI);
  std::vector<double> h;
  ASSERT_TRUE(DesignLowPassFir(0.25, 60.0, 0.1, 1.0, h));  // order 72, even
  ASSERT_EQ(h.size(), 73u);
  EXPECT_DOUBLE_EQ(h[36], 0.25);
  ASSERT_TRUE(DesignLowPassFir(0.25, 60.0, 0.0985, 1.0, h));  // order 73.5 -> 73, odd
  EXPECT_EQ(h.size(), 73u);
  ASSERT_TRUE(DesignLowPassFir(0.5, 10.0, 10.0, 2.0, h));  // order 0: one tap
  ASSERT_EQ(h.size(), 1u);
  EXPECT_EQ(h[0], 1.0);
}

TEST(DownSampleFilterTest, TapCountsOfTheAntiAliasingFilter) {
  std::vector<double> h;
  ASSERT_TRUE(DesignDownSampleFilter(44100.0, 11025.0, h));
  EXPECT_EQ(h.size(), 14621u);
  ASSERT_TRUE(DesignDownSampleFilter(48000.0, 11025.0, h));
  EXPECT_EQ(h.size(), 15915u);
  ASSERT_TRUE(DesignDownSampleFilter(22050.0, 11025.0, h));
  EXPECT_EQ(h.size(), 7311u);
  // Unit gain at 0 Hz, and a centre tap of fc.
  double sum = 0;
  for (double v : h) sum += v;
  EXPECT_NEAR(sum, 1.0, 1e-9);
  EXPECT_DOUBLE_EQ(h[3655], 0.5);
}

}  // namespace
}  // namespace tonvale
