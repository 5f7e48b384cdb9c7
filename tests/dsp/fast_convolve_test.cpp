#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <vector>

#include "dsp/down_sample.h"
#include "dsp/fast_convolve.h"
#include "dsp/worker_pool.h"
#include "support/literal_kit.h"
#include "support/whole_signal.h"

namespace tonvale {
namespace {

std::vector<double> Noise(size_t n, unsigned seed, double scale = 1.0) {
  std::mt19937 random(seed);
  std::uniform_real_distribution<double> value(-scale, scale);
  std::vector<double> x(n);
  for (double& v : x) v = value(random);
  return x;
}

double MaxGap(const std::vector<double>& a, const std::vector<double>& b) {
  EXPECT_EQ(a.size(), b.size());
  double gap = 0;
  for (size_t i = 0; i < std::min(a.size(), b.size()); ++i)
    gap = std::max(gap, std::fabs(a[i] - b[i]));
  return gap;
}

TEST(FastConvolveTest, UnitImpulseOfLengthOneReturnsTheSignal) {
  const std::vector<double> x = Noise(1000, 1, 30000.0);
  std::vector<double> y;
  ASSERT_TRUE(FastConvolve(std::vector<double>{1.0}, x, y));
  ASSERT_EQ(y.size(), x.size());
  EXPECT_LT(MaxGap(x, y), 1e-10);
}

TEST(FastConvolveTest, CentresTheFilterAndMatchesTheDirectSum) {
  // A filter of 5 taps delays by 2; centring takes the delay out.
  std::vector<double> h = {0, 0, 1, 0, 0}, x = Noise(100, 2), y;
  ASSERT_TRUE(FastConvolve(h, x, y));
  EXPECT_LT(MaxGap(x, y), 1e-14);
  h = Noise(31, 3);
  x = Noise(1000, 4);
  ASSERT_TRUE(FastConvolve(h, x, y));
  EXPECT_LT(MaxGap(literal::DirectConvolve(h, x), y), 1e-12);
}

TEST(FastConvolveTest, SignalShorterThanTheFilterIsOneTransform) {
  const std::vector<double> h = Noise(301, 5), x = Noise(40, 6);
  EXPECT_EQ(FastConvolveSize(h.size(), x.size()), 512);  // 2^Log2Ceil(301 + 40 - 1)
  std::vector<double> y;
  ASSERT_TRUE(FastConvolve(h, x, y));
  ASSERT_EQ(y.size(), 40u);
  EXPECT_LT(MaxGap(literal::DirectConvolve(h, x), y), 1e-12);
  EXPECT_LT(MaxGap(literal::FastConvolve(h, x), y), 1e-12);
  ASSERT_TRUE(FastConvolve(h, std::vector<double>{}, y));
  EXPECT_TRUE(y.empty());
}

TEST(FastConvolveTest, BlockSizeDoesNotChangeTheResult) {
  const std::vector<double> h = Noise(257, 7), x = Noise(5000, 8, 32768.0);
  EXPECT_EQ(FastConvolveSize(h.size(), x.size()), 1024);
  const std::vector<double> direct = literal::DirectConvolve(h, x);
  for (int size : {512, 1024, 2048, 8192}) {
    std::vector<double> y;
    ASSERT_TRUE(FastConvolveWithSize(h, x, size, y));
    EXPECT_LT(MaxGap(direct, y), 1e-8) << size;  // values up to a few hundred thousand
  }
}

TEST(FastConvolveTest, AgreesWithTheLiteralOverlapAddOnAntiAliasingFilter) {
  std::vector<double> h;
  ASSERT_TRUE(DesignDownSampleFilter(44100.0, 11025.0, h));
  std::vector<double> x = Noise(60000, 9, 32768.0);
  for (double& v : x) v = std::round(v);
  std::vector<double> y;
  ASSERT_TRUE(FastConvolve(h, x, y));
  // The literal transform's twiddles, made by repeated multiplication, drift by about n ulps.
  const std::vector<double> reference = literal::FastConvolve(h, x);
  EXPECT_LT(MaxGap(reference, y), 1e-7);
  // Output j depends on input up to j + 7310, so the first 1000 outputs need 8311 inputs.
  std::vector<double> direct = literal::DirectConvolve(h, std::span<const double>(x).first(9000));
  direct.resize(1000);
  EXPECT_LT(MaxGap(direct, std::vector<double>(y.begin(), y.begin() + 1000)), 1e-8);
  // The 16-bit overload gives the very same values.
  std::vector<int16_t> samples(x.begin(), x.end());
  std::vector<double> fromShorts;
  ASSERT_TRUE(FastConvolve(h, std::span<const int16_t>(samples), fromShorts));
  EXPECT_EQ(fromShorts, y);
}

// The streamed filter never sees the signal whole: two runs must give what one run gives, value
// for value, whatever the cut and however many threads share the blocks.
TEST(FastConvolveTest, RunsAndThreadsDoNotChangeTheStreamedResult) {
  const std::vector<double> h = Noise(257, 10), x = Noise(9000, 11, 32768.0);
  std::vector<double> whole;
  ASSERT_TRUE(FastConvolve(h, x, whole));
  for (unsigned threads : {1u, 3u}) {
    WorkerPool pool(threads);
    for (size_t cut : {size_t{0}, size_t{1}, size_t{770}, size_t{4321}, x.size()}) {
      StreamingConvolver convolver;
      ASSERT_TRUE(convolver.Start(h, x.size(), FastConvolveSize(h.size(), x.size()), &pool));
      std::vector<double> y;
      const ConvolutionSink append = [&y](std::span<const double> run) {
        y.insert(y.end(), run.begin(), run.end());
      };
      convolver.Add(std::span<const double>(x).first(cut), append);
      convolver.Add(std::span<const double>(x).subspan(cut), append);
      convolver.Finish(append);
      EXPECT_EQ(y, whole) << threads << " threads, cut at " << cut;
    }
  }
}

}  // namespace
}  // namespace tonvale
