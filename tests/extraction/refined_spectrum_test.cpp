// The refined analysis' decimator and frames, on signals whose spectrum is known.
#include "extraction/refined_spectrum.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <random>
#include <vector>

namespace tonvale {
namespace {

// A recording held in memory, served in blocks of 1000 samples.
class SignalSource : public RecordingSource {
 public:
  explicit SignalSource(std::vector<double> samples) : samples_(std::move(samples)) {}
  int64_t Read(std::span<double> block) override {
    size_t n = 0;
    for (; n < block.size() && n < 1000 && next_ < samples_.size(); ++n) {
      block[n] = samples_[next_++];
    }
    return static_cast<int64_t>(n);
  }

 private:
  std::vector<double> samples_;
  size_t next_ = 0;
};

std::vector<double> Sine(double frequency, double amplitude, double seconds, double rate) {
  std::vector<double> x(static_cast<size_t>(seconds * rate));
  for (size_t i = 0; i < x.size(); ++i) {
    x[i] = amplitude * std::sin(2.0 * std::numbers::pi * frequency * i / rate);
  }
  return x;
}

double Rms(const std::vector<double>& x, size_t from) {
  double sum = 0.0;
  for (size_t i = from; i < x.size(); ++i) sum += x[i] * x[i];
  return std::sqrt(sum / static_cast<double>(x.size() - from));
}

TEST(HalfbandDecimatorTest, KeepsTheAnalysedBandAndStopsWhatWouldFoldIntoIt) {
  for (const auto& [frequency, least, most] :
       {std::tuple{1000.0, 0.99, 1.01}, {5500.0, 0.99, 1.01}, {17000.0, 0.0, 1e-3}}) {
    const std::vector<double> in = Sine(frequency, 1.0, 0.2, 44100.0);
    HalfbandDecimator decimator;
    std::vector<double> out;
    decimator.Process(in, out);
    decimator.Finish(out);
    ASSERT_EQ(out.size(), in.size() / 2);
    const double gain = Rms(out, 100) / Rms(in, 200);
    EXPECT_GE(gain, least) << frequency;
    EXPECT_LE(gain, most) << frequency;
  }
  // Output m lies at input 2m: the filter's delay is taken out.
  std::vector<double> click(400, 0.0);
  click[200] = 1.0;
  HalfbandDecimator decimator;
  std::vector<double> out;
  decimator.Process(click, out);
  decimator.Finish(out);
  EXPECT_EQ(std::max_element(out.begin(), out.end()) - out.begin(), 100);
}

TEST(RefinedSpectrumTest, ASineIsOnePeakAtItsFrequencyAndAmplitudeAtAnyRate) {
  for (double rate : {11025.0, 22050.0, 44100.0, 48000.0, 96000.0}) {
    SignalSource source(Sine(441.3, 1000.0, 1.0, rate));
    RefinedSpectrum spectrum;
    ASSERT_TRUE(spectrum.Prepare(rate, 10));
    std::vector<RefinedPeak> peaks;
    for (int m = 1; m <= 50; ++m) ASSERT_EQ(spectrum.NextFrame(source, peaks), 0);
    ASSERT_EQ(peaks.size(), 1u) << rate;
    EXPECT_NEAR(peaks[0].frequency, 441.3, 0.5) << rate;
    EXPECT_NEAR(peaks[0].level, 60.0, 0.5) << rate;  // 20 log10 1000
  }
}

TEST(RefinedSpectrumTest, FramesAreCentredOnTheirLabelsAndNoiseGivesNoPeaks) {
  // A tone that starts at 500 ms: the frame labelled 500 holds half of it (-6 dB).
  std::vector<double> x = Sine(1000.0, 1000.0, 1.0, 44100.0);
  std::fill(x.begin(), x.begin() + 22050, 0.0);
  std::mt19937 random(3);
  std::normal_distribution<double> noise(0.0, 300.0);
  std::vector<double> hiss(44100);
  for (double& v : hiss) v = noise(random);
  x.insert(x.end(), hiss.begin(), hiss.end());
  SignalSource source(x);
  RefinedSpectrum spectrum;
  ASSERT_TRUE(spectrum.Prepare(44100.0, 10));
  std::vector<RefinedPeak> peaks;
  int noisePeaks = 0;
  for (int m = 1; m <= 200; ++m) {
    ASSERT_EQ(spectrum.NextFrame(source, peaks), 0);
    if (m == 50) {
      ASSERT_EQ(peaks.size(), 1u);
      EXPECT_NEAR(peaks[0].level, 60.0 - 6.0, 1.0);
    }
    if (m >= 110) noisePeaks += static_cast<int>(peaks.size());
  }
  EXPECT_LE(noisePeaks, 2) << "peaks in 90 frames of white noise";
}

// The two lowest notes of a close chord lie three bins apart and must stay two peaks in every
// frame whatever their phases; a sine swept by vibrato (6 Hz, 40 cents) must stay one. Only
// peaks within 20 dB of the strongest count: a swept sine leaks a bump 40 dB down.
TEST(RefinedSpectrumTest, CloseLowPartialsAreTwoPeaksAndVibratoIsOne) {
  const double rate = 44100.0;
  std::vector<double> third = Sine(164.81, 500.0, 1.0, rate), vibrato(third.size());
  const std::vector<double> upper = Sine(196.0, 1000.0, 1.0, rate);
  double phase = 0.0;
  for (size_t i = 0; i < third.size(); ++i) {
    third[i] += upper[i];
    phase += 2.0 * std::numbers::pi * 440.0 / rate *
             std::exp2(0.4 / 12.0 * std::sin(2.0 * std::numbers::pi * 6.0 * i / rate));
    vibrato[i] = 1000.0 * std::sin(phase);
  }
  for (const auto& [signal, count] : {std::pair{third, 2u}, {vibrato, 1u}}) {
    SignalSource source(signal);
    RefinedSpectrum spectrum;
    ASSERT_TRUE(spectrum.Prepare(rate, 10));
    std::vector<RefinedPeak> peaks;
    for (int m = 1; m <= 90; ++m) {
      ASSERT_EQ(spectrum.NextFrame(source, peaks), 0);
      float strongest = 0.f;
      for (const RefinedPeak& p : peaks) strongest = std::max(strongest, p.level);
      std::erase_if(peaks, [&](const RefinedPeak& p) { return p.level < strongest - 20.f; });
      if (m >= 10) {
        ASSERT_EQ(peaks.size(), count) << "frame " << m;
      }
    }
  }
}

}  // namespace
}  // namespace tonvale
