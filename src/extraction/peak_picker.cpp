#include "extraction/peak_picker.h"

#include <algorithm>
#include <cmath>

#include "app/numbers.h"
#include "dsp/double_array.h"
#include "dsp/peak_candidates.h"
#include "extraction/peak_file.h"

namespace tonvale {
namespace {

// Bins are compared by their power |X|^2 first, which needs no logarithm. A bin whose power is
// below a neighbour's by more than this fraction has a level that is lower by more than 4e-9 dB,
// far beyond the rounding of the level formula, so it cannot be a peak; every other bin is
// decided on the levels themselves, exactly as the level formula gives them.
constexpr double kSureMargin = 1.0 - 1e-9;
// Below this the power's own precision is too coarse for the margin.
constexpr double kTinyPower = 1e-290;

bool SurelyBelow(double power, double other) {
  return other > kTinyPower && power < other * kSureMargin;
}

}  // namespace

int HighestPeakBin(int virtualLength) {
  int k = virtualLength / 2 - 1;
  while (k >= 1 && (k + 1) * kAnalysisRate / virtualLength > kHighestPeakHz) --k;
  return k;
}

bool SpectralPeakPicker::Prepare(int frameLength, int virtualLength, double levelFloorDb) {
  if (virtualLength < 1 || (virtualLength & (virtualLength - 1)) != 0 || frameLength < 1 ||
      frameLength > virtualLength) {
    return false;
  }
  frameLength_ = frameLength;
  virtualLength_ = virtualLength;
  highestBin_ = HighestPeakBin(virtualLength);
  levelFloorDb_ = levelFloorDb;
  const double floorPower = std::pow(10.0, levelFloorDb / 10.0);
  powerFloor_ = floorPower > kTinyPower ? floorPower * kSureMargin : 0.0;
  const size_t bins = static_cast<size_t>(virtualLength / 2 + 1);
  if (!TryAssign(frame_, static_cast<size_t>(virtualLength)) || !TryAssign(re_, bins) ||
      !TryAssign(im_, bins) || !TryAssign(candidates_, bins)) {
    return false;
  }
  // Builds the transform tables now, so that a failure shows before the first frame.
  return RealSpectrumFft(fft_, virtualLength, frame_.data(), re_.data(), im_.data(),
                         virtualLength) == 0;
}

double SpectralPeakPicker::PowerOf(int k) const {
  const double re = re_[static_cast<size_t>(k)], im = im_[static_cast<size_t>(k)];
  return re * re + im * im;
}

double SpectralPeakPicker::LevelOf(int k) const {
  return 20.0 * std::log10(std::sqrt(PowerOf(k)));
}

void SpectralPeakPicker::AnalyseFrame(std::span<const double> signal, int64_t start,
                                      const AnalysisWindow& window, std::string& out,
                                      LevelRange& range) {
  Pick(signal, start, window, range,
       [&out](double frequency, double level) { AppendPeakPair(out, frequency, level); });
}

void SpectralPeakPicker::AnalyseFrame(std::span<const double> signal, int64_t start,
                                      const AnalysisWindow& window, std::vector<PickedPeak>& peaks,
                                      LevelRange& range) {
  Pick(signal, start, window, range, [&peaks](double frequency, double level) {
    peaks.push_back({frequency, level});
  });
}

template <class Take>
void SpectralPeakPicker::Pick(std::span<const double> signal, int64_t start,
                              const AnalysisWindow& window, LevelRange& range, Take take) {
  const int64_t length = static_cast<int64_t>(signal.size());
  const auto frame = std::span<double>(frame_).first(static_cast<size_t>(frameLength_));
  bool silent = true;
  if (start >= 0 && start <= length - frameLength_) {
    // Nearly every frame lies inside the signal: a plain copy, and a search for a sound that
    // stops at the first one.
    const std::span<const double> inside = signal.subspan(static_cast<size_t>(start), frame.size());
    std::copy(inside.begin(), inside.end(), frame.begin());
    silent = std::all_of(frame.begin(), frame.end(), [](double v) { return v == 0.0; });
  } else {
    for (int i = 0; i < frameLength_; ++i) {
      const int64_t at = start + i;
      const double v = at >= 0 && at < length ? signal[static_cast<size_t>(at)] : 0.0;
      frame[static_cast<size_t>(i)] = v;
      silent = silent && v == 0.0;
    }
  }
  // A silent frame has every bin at -infinity dB: no peaks, whatever the window.
  if (silent || highestBin_ < 1) return;
  // The zero padding past the frame is never written: the transform takes it as read.
  window.Apply(frame);
  RealSpectrumFft(fft_, virtualLength_, frame_.data(), re_.data(), im_.data(), frameLength_);

  const int candidates = CandidateBins(re_.data(), im_.data(), highestBin_, powerFloor_,
                                       kSureMargin, kTinyPower, candidates_.data());
  const double binWidth = kAnalysisRate / virtualLength_;
  for (int c = 0; c < candidates; ++c) {
    const int k = candidates_[static_cast<size_t>(c)];
    const double p = PowerOf(k);
    const double level = LevelOf(k);
    // A neighbour whose power is surely below this bin's has a level surely below its level, so
    // its logarithm is needed only when the two powers are close.
    if (!(level >= levelFloorDb_ && (SurelyBelow(PowerOf(k - 1), p) || level >= LevelOf(k - 1)) &&
          (SurelyBelow(PowerOf(k + 1), p) || level >= LevelOf(k + 1)))) {
      continue;
    }

    const double xr = re_[static_cast<size_t>(k)], xi = im_[static_cast<size_t>(k)];
    const double dr = xr - re_[static_cast<size_t>(k - 1)];
    const double di = xi - im_[static_cast<size_t>(k - 1)];
    const double frequency = binWidth * ((k - 1) + (xr * dr + xi * di) / (dr * dr + di * di));
    if (level > range.MaxdB) range.MaxdB = level;
    if (level < range.MindB) range.MindB = level;
    if (!std::isfinite(frequency)) continue;
    take(frequency, level);
  }
}

}  // namespace tonvale
