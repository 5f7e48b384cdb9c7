#include "extraction/peak_picker.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <string>
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
  constexpr int kLength = 512, kVirtual = 4096;
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
    for (double floorDb : {-400.0, 10.0}) {
      SpectralPeakPicker picker;
      ASSERT_TRUE(picker.Prepare(kLength, kVirtual, floorDb));
      for (size_t f = 0; f < frames.size(); ++f) {
        LevelRange range, literalRange;
        std::string out;
        picker.AnalyseFrame(frames[f], 0, window, out, range);
        EXPECT_EQ(out, LiteralPeaks(frames[f], window, kVirtual, floorDb, literalRange))
            << name << ", frame " << f << ", floor " << floorDb;
        EXPECT_EQ(range.MaxdB, literalRange.MaxdB);
        EXPECT_EQ(range.MindB, literalRange.MindB);
      }
    }
  }
}

}  // namespace
}  // namespace tonvale
