#include <gtest/gtest.h>

#include <cmath>
#include <numeric>
#include <random>
#include <vector>

#include "dsp/down_sample.h"
#include "dsp/fast_convolve.h"
#include "dsp/resample.h"
#include "support/literal_kit.h"
#include "support/whole_signal.h"

namespace tonvale {
namespace {

TEST(ResampleTest, EqualRatesCopyAndRatioFourTakesEveryFourthSample) {
  std::vector<double> x(1000);
  std::iota(x.begin(), x.end(), 0.0);
  std::vector<double> y;
  ASSERT_TRUE(Resample(x, 11025.0, 11025.0, y));
  EXPECT_EQ(y, x);
  ASSERT_TRUE(Resample(x, 44100.0, 11025.0, y));
  ASSERT_EQ(y.size(), 250u);
  for (size_t k = 0; k < y.size(); ++k) ASSERT_EQ(y[k], x[4 * k]);
}

TEST(ResampleTest, InterpolatesBetweenSamplesAndStaysInsideTheSignal) {
  const std::vector<double> x = {0.0, 10.0, 20.0, 30.0};
  std::vector<double> y;
  ASSERT_TRUE(Resample(x, 3.0, 2.0, y));  // step 1.5: positions 0 and 1.5
  ASSERT_EQ(y.size(), 2u);
  EXPECT_EQ(y[0], 0.0);
  EXPECT_DOUBLE_EQ(y[1], 15.0);
  // A step just above 1 over a long signal: the running sum may reach the last sample.
  std::vector<double> ones(200000, 1.0);
  ASSERT_TRUE(Resample(ones, 11026.0, 11025.0, y));
  EXPECT_EQ(y.size(), ResampledLength(ones.size(), 11026.0, 11025.0));
  EXPECT_FALSE(Resample(x, 0.0, 11025.0, y));
  EXPECT_FALSE(Resample(x, 44100.0, 0.0, y));
}

TEST(DownSampleTest, AgreesWithTheLiteralChain) {
  std::vector<int16_t> samples(44100);
  for (size_t i = 0; i < samples.size(); ++i) {
    samples[i] = static_cast<int16_t>(
        std::lround(12000 * std::sin(2 * M_PI * 440 * static_cast<double>(i) / 44100) +
                    8000 * std::sin(2 * M_PI * 7000 * static_cast<double>(i) / 44100)));
  }
  std::vector<double> y;
  ASSERT_TRUE(DownSample(samples, 44100.0, 11025.0, y));
  ASSERT_EQ(y.size(), 11025u);
  const std::vector<double> reference = literal::DownSample(samples, 44100.0, 11025.0);
  double gap = 0, peak = 0;
  for (size_t k = 0; k < y.size(); ++k) {
    gap = std::max(gap, std::fabs(y[k] - reference[k]));
    peak = std::max(peak, std::fabs(y[k]));
  }
  EXPECT_LT(gap, 1e-7);  // the literal twiddles drift by about n ulps
  // The 7 kHz tone lies in the stop band; the 440 Hz one passes.
  EXPECT_NEAR(peak, 12000, 30);
}

// The down-sampler never holds the filtered signal whole; fed a run at a time it must still
// give exactly what the filter and the resampler give on the whole signal.
TEST(DownSampleTest, StreamingGivesExactlyTheWholeSignalChain) {
  std::mt19937 random(5);
  std::uniform_int_distribution<int> sample(-32768, 32767);
  for (double rate : {44100.0, 48000.0, 22050.0, 11026.0, 96000.0}) {
    for (size_t length : {size_t{1}, size_t{900}, size_t{20000}, size_t{100003}}) {
      std::vector<int16_t> samples(length);
      for (int16_t& s : samples) s = static_cast<int16_t>(sample(random));
      std::vector<double> filter, filtered, expected, y;
      ASSERT_TRUE(DesignDownSampleFilter(rate, 11025.0, filter));
      ASSERT_TRUE(FastConvolve(filter, samples, filtered));
      ASSERT_TRUE(Resample(filtered, rate, 11025.0, expected));
      ASSERT_TRUE(DownSample(samples, rate, 11025.0, y));
      ASSERT_EQ(y.size(), expected.size()) << rate << " " << length;
      for (size_t k = 0; k < y.size(); ++k) {
        ASSERT_EQ(y[k], expected[k]) << rate << " Hz, " << length << " samples, output " << k;
      }
    }
  }
}

// The resampler is only ever fed a run at a time; cut anyhow, the signal must give what the
// running-sum interpolation gives on the whole of it.
TEST(ResampleTest, RunsOfAnySizeGiveTheWholeSignalsResult) {
  std::mt19937 random(9);
  std::uniform_real_distribution<double> value(-1.0, 1.0);
  std::uniform_int_distribution<size_t> runLength(0, 40);
  std::vector<double> x(1000);
  for (double& v : x) v = value(random);
  for (double rate : {44100.0, 11025.0, 30000.0, 11025.5}) {
    std::vector<double> expected;
    const double step = rate / 11025.0;
    double p = 0.0;
    for (size_t k = 0; k < ResampledLength(x.size(), rate, 11025.0); ++k, p += step) {
      const size_t i = static_cast<size_t>(p);
      const double f = p - static_cast<double>(i);
      const double next = i + 1 < x.size() ? x[i + 1] : 0.0;
      expected.push_back(f == 0.0 ? x[i] : (1.0 - f) * x[i] + f * next);
    }
    StreamingResampler resampler;
    std::vector<double> y;
    ASSERT_TRUE(resampler.Start(x.size(), rate, 11025.0));
    for (size_t at = 0; at < x.size();) {
      const size_t n = std::min(runLength(random), x.size() - at);
      resampler.Add(std::span<const double>(x).subspan(at, n), y);
      at += n;
    }
    resampler.Finish(y);
    EXPECT_EQ(y, expected) << rate;
  }
  StreamingResampler refused;
  EXPECT_FALSE(refused.Start(10, 0.0, 11025.0));
}

}  // namespace
}  // namespace tonvale
