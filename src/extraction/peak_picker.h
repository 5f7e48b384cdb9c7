#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "dsp/analysis_windows.h"
#include "dsp/frame_spectrum_fft.h"

namespace tonvale {

// The analysis rate of the whole pipeline; every frame position and frequency refers to it.
inline constexpr double kAnalysisRate = 11025.0;
// Peaks are picked below this frequency.
inline constexpr double kHighestPeakHz = 5500.0;

// The extremes of the levels of all peaks found; the starting values stand when none was.
struct LevelRange {
  double MaxdB = -1000.0;
  double MindB = 1000.0;
};

// The highest bin k that is examined: (k + 1) * 11025 / virtualLength <= 5500 Hz, in real
// arithmetic, and k < virtualLength / 2.
int HighestPeakBin(int virtualLength);

// One peak of a frame as the picker finds it, before it is written as text.
struct PickedPeak {
  double frequency;  // Hz, finite
  double level;      // dB
};

// The spectral peaks of one frame of the analysis signal. A frame is frameLength samples from a
// start position (0 past the end of the signal), windowed, zero-padded to virtualLength and
// transformed with the 1/virtualLength scaling. Bin k >= 1 is a peak when its level
// 20 log10 |X[k]| is at least the level floor and at least the levels of both neighbours (ties
// count), up to HighestPeakBin. Each peak's frequency is refined from the complex bins:
// (11025 / virtualLength) ((k - 1) + Re(X[k] / (X[k] - X[k - 1]))).
class SpectralPeakPicker {
 public:
  // False when virtualLength is not a power of two, frameLength is not in 1 .. virtualLength,
  // or memory runs out.
  bool Prepare(int frameLength, int virtualLength, double levelFloorDb);

  // Appends "%0.2f %0.2f " (frequency, level) for each peak in increasing bin order and widens
  // `range` by every peak's level. A peak whose frequency cannot be refined (X[k] = X[k - 1])
  // counts for the range but is not written.
  void AnalyseFrame(std::span<const double> signal, int64_t start, const AnalysisWindow& window,
                    std::string& out, LevelRange& range);
  // The same peaks appended to `peaks` as numbers, for a stage that takes them before the text
  // is written.
  void AnalyseFrame(std::span<const double> signal, int64_t start, const AnalysisWindow& window,
                    std::vector<PickedPeak>& peaks, LevelRange& range);

 private:
  template <class Take>
  void Pick(std::span<const double> signal, int64_t start, const AnalysisWindow& window,
            LevelRange& range, Take take);
  double PowerOf(int k) const;
  double LevelOf(int k) const;

  int frameLength_ = 0;
  int virtualLength_ = 0;
  int highestBin_ = 0;
  double levelFloorDb_ = 0.0;
  double powerFloor_ = 0.0;  // a power below this is surely under the level floor
  SpectrumFftCache fft_;
  std::vector<double> frame_, re_, im_;
  std::vector<int> candidates_;  // the bins that the power comparisons leave for the levels
};

}  // namespace tonvale
