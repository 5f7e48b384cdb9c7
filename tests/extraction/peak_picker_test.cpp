#include "extraction/peak_picker.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "app/numbers.h"

namespace tonvale {
namespace {

// The picker's rule taken literally: every bin's level from its own logarithm, no shortcut.
std::string LiteralPeaks(std::vector<double> frame, const AnalysisWindow& window, int virtualLength,
                         double floorDb, LevelRange& range) {
  const int frameLength = static_cast<int>(frame.size());
  window.Apply(frame);
  frame.resize(static_cast<size_t>(virtualLength), 0.0);
  std::vector<double> re(frame.size() / 2 + 1), im(re.size());
  SpectrumFftCache cache;
  RealSpectrumFft(cache, virtualLength, frame.data(), re.data(), im.data(), frameLength);
  auto level = [&](int k) {
    const size_t i = static_cast<size_t>(k);
    return 20.0 * std::log10(std::sqrt(re[i] * re[i] + im[i] * im[i]));
  };
  std::string out;
  for (int k = 1; k <= HighestPeakBin(virtualLength); ++k) {
    const double l = level(k);
    if (!(l >= floorDb && l >= level(k - 1) && l >= level(k + 1))) continue;
    const size_t i = static_cast<size_t>(k);
    const double dr = re[i] - re[i - 1], di = im[i] - im[i - 1];
    const double frequency =
        11025.0 / virtualLength * ((k - 1) + (re[i] * dr + im[i] * di) / (dr * dr + di * di));
    range.MaxdB = std::max(range.MaxdB, l);
    range.MindB = std::min(range.MindB, l);
    if (!std::isfinite(frequency)) continue;
    AppendFixed(out, frequency, 2);
    out += ' ';
    AppendFixed(out, l, 2);
    out += ' ';
  }
  return out;
}

// Neighbouring bins of nearly equal power are where a shortcut on the powers could differ from
// the levels: an impulse has a flat spectrum (every bin ties to within rounding), noise and a
// tone do not.
TEST(PeakPickerTest, PicksTheBinsThatTheLevelsThemselvesGive) {
  constexpr int kLength = 512;
  std::mt19937 random(7);
  std::normal_distribution<double> noise(0.0, 1000.0);
  std::vector<std::vector<double>> frames(4, std::vector<double>(kLength, 0.0));
  frames[0][0] = 1.0;
  frames[1][200] = -3000.0;
  for (double& v : frames[2]) v = noise(random);
  for (int i = 0; i < kLength; ++i) frames[3][static_cast<size_t>(i)] = 8000.0 * std::sin(0.3 * i);
  for (const char* name : {"方形窓", "ハミング窓"}) {
    AnalysisWindow window;
    ASSERT_TRUE(window.Select(name, kLength));
    // The two lengths leave different remainders after the bins that are sieved several at once.
    for (auto [kVirtual, floorDb] : {std::pair{4096, -400.0}, {4096, 10.0}, {1024, -400.0}}) {
      SpectralPeakPicker picker;
      ASSERT_TRUE(picker.Prepare(kLength, kVirtual, floorDb));
      for (size_t f = 0; f < frames.size(); ++f) {
        LevelRange range, literalRange;
        std::string out;
        picker.AnalyseFrame(frames[f], 0, window, out, range);
        EXPECT_EQ(out, LiteralPeaks(frames[f], window, kVirtual, floorDb, literalRange))
            << name << ", frame " << f << ", length " << kVirtual << ", floor " << floorDb;
        EXPECT_EQ(range.MaxdB, literalRange.MaxdB);
        EXPECT_EQ(range.MindB, literalRange.MindB);
      }
    }
  }
}

// Frames reaching past either end of the signal take zeros there, as a frame cut out by hand.
TEST(PeakPickerTest, FramesOverTheSignalsEndsTakeZeros) {
  constexpr int kLength = 512, kSignal = 2000;
  std::mt19937 random(3);
  std::normal_distribution<double> noise(0.0, 1000.0);
  std::vector<double> signal(kSignal);
  for (double& v : signal) v = noise(random);
  AnalysisWindow window;
  ASSERT_TRUE(window.Select("ハミング窓", kLength));
  SpectralPeakPicker picker;
  ASSERT_TRUE(picker.Prepare(kLength, 4096, -400.0));
  for (int64_t start : {-kLength, -300, 0, kSignal - kLength, 1800, kSignal}) {
    std::vector<double> frame(kLength, 0.0);
    for (int64_t i = std::max<int64_t>(start, 0); i < std::min<int64_t>(start + kLength, kSignal);
         ++i) {
      frame[static_cast<size_t>(i - start)] = signal[static_cast<size_t>(i)];
    }
    LevelRange range, cutRange;
    std::string out, cut;
    picker.AnalyseFrame(signal, start, window, out, range);
    picker.AnalyseFrame(frame, 0, window, cut, cutRange);
    EXPECT_EQ(out, cut) << start;
    EXPECT_EQ(range.MaxdB, cutRange.MaxdB) << start;
    EXPECT_EQ(range.MindB, cutRange.MindB) << start;
  }
}

}  // namespace
}  // namespace tonvale
