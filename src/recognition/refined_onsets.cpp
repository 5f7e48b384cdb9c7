#include "recognition/refined_onsets.h"

#include <algorithm>
#include <array>
#include <cmath>

#include "recognition/refined_notes.h"
#include "recognition/refined_pitch.h"

namespace tonvale {
namespace {

// The partials whose bins carry a note's attack.
constexpr int kAttackPartials = 4;
// A rise is measured over 30 ms: longer than the short window (23 ms), so that the window has
// moved wholly past the moment the sound changed.
constexpr double kRiseSpanMs = 30.0;
// An onset is the largest rise within 30 ms on either side: the short window cannot tell
// two onsets closer than that apart.
constexpr double kPeakReachMs = 30.0;
// The rises of the 200 ms before a frame and 40 ms after it are its background: vibrato,
// tremolo and a drum roll raise it, and an onset must stand out from it.
constexpr double kBackgroundBeforeMs = 200.0;
constexpr double kBackgroundAfterMs = 40.0;
// By 1 dB of mean rise over the band: a note raises the few bins of its partials by 10 dB or
// more, which is a dB or more across the ~130 bins of the band, while sounds going on
// flutter by a fraction of that.
constexpr double kOnsetDb = 1.0;

// 10^(b / 10): the power of a level byte.
const std::array<double, 256> kBytePower = [] {
  std::array<double, 256> power{};
  for (int b = 0; b < 256; ++b) power[b] = std::pow(10.0, b / 10.0);
  return power;
}();

}  // namespace

PartialEnergy::PartialEnergy(const ShortSpectra& spectra)
    : spectra_(spectra),
      bins_(kHighestNote - kLowestNote + 1),
      span_(Frames(kRiseSpanMs, spectra.frameShiftMs)) {
  for (int note = kLowestNote; note <= kHighestNote; ++note) {
    std::vector<int>& bins = bins_[note - kLowestNote];
    const double f0 = NoteFrequency(note) / spectra.binHz();
    for (int h = 1; h <= kAttackPartials; ++h) {
      const auto k = static_cast<int>(std::lround(h * f0));
      for (int j = std::max(0, k - 1); j <= k + 1 && j < spectra.bins; ++j) {
        if (bins.empty() || j > bins.back()) bins.push_back(j);
      }
    }
  }
}

double PartialEnergy::At(int note, int64_t t) const {
  if (t < 0 || t >= spectra_.frames() || note < kLowestNote || note > kHighestNote) return 0.0;
  const std::vector<int>& bins = bins_[note - kLowestNote];
  if (bins.empty()) return 0.0;
  const std::span<const uint8_t> levels = spectra_.Frame(t);
  double power = 0.0;
  for (int k : bins) power += kBytePower[levels[k]];
  return 10.0 * std::log10(power);
}

double PartialEnergy::RiseAt(int note, int64_t onset) const {
  double after = -1e300, before = 1e300;
  for (int64_t t = onset; t <= onset + span_; ++t) after = std::max(after, At(note, t));
  for (int64_t t = onset - span_; t < onset; ++t) before = std::min(before, At(note, t));
  return after - before;
}

std::vector<int64_t> DetectOnsets(const ShortSpectra& spectra) {
  const int64_t count = spectra.frames();
  const int shift = spectra.frameShiftMs;
  // The mean rise of the levels from each frame to the next, over the band.
  std::vector<double> rise(static_cast<size_t>(std::max<int64_t>(count, 0)), 0.0);
  for (int64_t t = 1; t < count; ++t) {
    const std::span<const uint8_t> now = spectra.Frame(t), before = spectra.Frame(t - 1);
    int sum = 0;
    for (int k = 0; k < spectra.bins; ++k) sum += std::max(0, now[k] - before[k]);
    rise[t] = static_cast<double>(sum) / spectra.bins;
  }
  const int reach = Frames(kPeakReachMs, shift);
  const int behind = Frames(kBackgroundBeforeMs, shift);
  const int ahead = Frames(kBackgroundAfterMs, shift);
  std::vector<int64_t> onsets;
  for (int64_t t = 1; t < count; ++t) {
    bool peak = true;
    for (int64_t j = std::max<int64_t>(1, t - reach); j <= std::min(count - 1, t + reach); ++j) {
      if (rise[j] > rise[t]) peak = false;
    }
    if (!peak) continue;
    double background = 0.0;
    int64_t frames = 0;
    for (int64_t j = std::max<int64_t>(1, t - behind); j <= std::min(count - 1, t + ahead); ++j) {
      background += rise[j];
      ++frames;
    }
    if (rise[t] < background / frames + kOnsetDb) continue;
    if (!onsets.empty() && t - onsets.back() < reach) continue;
    onsets.push_back(t);
  }
  return onsets;
}

}  // namespace tonvale
