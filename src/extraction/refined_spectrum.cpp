#include "extraction/refined_spectrum.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace tonvale {
namespace {

// 4096 samples at 44.1 kHz: the partials of the lowest notes (41 Hz apart for a low E) stay
// apart under a Hann window, whose main lobe is four bins wide.
constexpr double kFrameSeconds = 4096.0 / 44100.0;
// The band of the peak file: the figures show up to half of 11025 Hz.
constexpr double kHighestHz = 5500.0;
// Half a semitone below the lowest note the method names (C1, 32.7 Hz).
constexpr double kLowestHz = 31.8;
// A peak below the level of a sinusoid of one 16-bit step is quantisation noise.
constexpr double kLevelFloorDb = 0.0;
// The side lobes of a Hann window are 31 dB down; a component 60 dB below the frame's
// strongest is both leakage-prone and inaudible beside it.
constexpr double kBelowStrongestDb = 60.0;
// A sinusoid's main lobe falls 30 dB or more to its nulls; the local maxima of noise rise only
// a few dB above their surroundings (the magnitude of a noise bin is Rayleigh-distributed,
// and 10 dB above its neighbours is rarer than one in a hundred).
constexpr double kProminenceDb = 10.0;
// Two partials three or four bins apart (the fundamentals of a close chord low down, a third
// apart) meet at half a main lobe from each, where each has fallen only 10 to 15 dB: the
// valley between them is a few dB deep and, as their phases turn, sometimes less than 10 dB.
// Such a peak falls the full depth on its outer side and at least 3 dB towards its partner.
constexpr double kPairValleyDb = 3.0;
// and stands within 20 dB of every stronger peak near it: a weaker bump on the skirt of a
// strong lobe (a partial swept by vibrato leaks further than a steady one) is leakage.
constexpr double kPairSpreadDb = 20.0;

// The noise floor of a block is its 20th percentile level: the valleys between partials fill
// a fifth of a block even in a dense chord. The power of a noise bin is exponentially
// distributed, so one 20 dB above that level (22 times the mean power) turns up once in 10^9
// bins, while partials stand 30 dB or more above the valleys between them.
constexpr double kAboveNoiseDb = 20.0;
// Blocks of 32 bins of the unpadded frame (344 Hz): narrow enough to follow a coloured noise
// floor, wide enough to hold valleys between the partials of any note above the lowest octave.
constexpr int kFloorBlockBins = 32;
// Five frames: 40 ms before the current one, half a frame's length.
constexpr size_t kFloorFrames = 5;
// Beyond 16 bins the side lobes of a Hann window are 80 dB down: nothing there is leakage
// that the other tests let through.
constexpr double kSideLobeReach = 16.0;
// The rate below which the recording is not halved further, twice the pipeline's 11025 Hz.
constexpr double kAnalysisRate = 11025.0;

// Fills `window` with a periodic Hann window of `length` samples, centred between samples, and
// returns what converts a bin's power (dB) to the level of the sinusoid that gives it: a
// sinusoid of amplitude A gives |X| = A sum(w) / 2 at its bin.
double HannWindow(int length, std::vector<double>& window) {
  window.resize(static_cast<size_t>(length));
  double sum = 0.0;
  for (int i = 0; i < length; ++i) {
    window[i] = 0.5 - 0.5 * std::cos(2.0 * std::numbers::pi * (i + 0.5) / length);
    sum += window[i];
  }
  return -20.0 * std::log10(sum / 2.0);
}

}  // namespace

HalfbandDecimator::HalfbandDecimator() : taps_(kHalfbandTaps), buffer_(kHalfbandTaps / 2, 0.0) {
  // A windowed sinc cut at a quarter of the rate (Blackman window): flat to an eighth of the
  // rate and 75 dB down from three eighths, which is all that can fold back below an eighth.
  const int half = kHalfbandTaps / 2;
  for (int n = -half; n <= half; ++n) {
    const double sinc =
        n == 0 ? 0.5 : std::sin(std::numbers::pi * n / 2.0) / (std::numbers::pi * n);
    const double x = std::numbers::pi * n / (half + 1);
    taps_[n + half] = sinc * (0.42 + 0.5 * std::cos(x) + 0.08 * std::cos(2.0 * x));
  }
}

void HalfbandDecimator::Process(std::span<const double> in, std::vector<double>& out) {
  buffer_.insert(buffer_.end(), in.begin(), in.end());
  size_t p = next_;
  for (; p + kHalfbandTaps <= buffer_.size(); p += 2) {
    double sum = 0.0;
    for (int j = 0; j < kHalfbandTaps; ++j) sum += taps_[j] * buffer_[p + j];
    out.push_back(sum);
  }
  buffer_.erase(buffer_.begin(), buffer_.begin() + static_cast<std::ptrdiff_t>(p));
  next_ = 0;
}

void HalfbandDecimator::Finish(std::vector<double>& out) {
  const std::vector<double> zeros(kHalfbandTaps / 2, 0.0);
  Process(zeros, out);
}

bool RefinedSpectrum::Prepare(double rate, int frameShiftMs) {
  if (!(rate > 0.0) || frameShiftMs <= 0) return false;
  // Halve the rate while it stays at 22.05 kHz or more: the band up to 5.5 kHz is all the
  // analysis looks at, and the transforms get shorter.
  decimators_.clear();
  while (rate / 2.0 >= 2.0 * kAnalysisRate) {
    rate /= 2.0;
    decimators_.emplace_back();
  }
  rate_ = rate;
  frameShiftMs_ = frameShiftMs;
  // The power of two nearest to 93 ms, padded to twice its length so that the top of a
  // parabola through the levels of three bins finds a partial's frequency closely and close
  // partials keep a valley between them.
  frameLength_ = 16;
  while (frameLength_ * 1.5 < rate * kFrameSeconds) frameLength_ *= 2;
  fftSize_ = 2 * frameLength_;
  if (!fft_.Prepare(fftSize_)) return false;
  levelOffsetDb_ = HannWindow(frameLength_, window_);
  // The short window: a quarter of the frame (23 ms), whose levels rise within a few
  // milliseconds of a partial's start.
  shortLength_ = frameLength_ / 4;
  if (!shortFft_.Prepare(shortLength_)) return false;
  shortOffsetDb_ = HannWindow(shortLength_, shortWindow_);
  shortSamples_.assign(static_cast<size_t>(shortLength_), 0.0);
  shortLevels_.assign(
      static_cast<size_t>(
          std::min(shortLength_ / 2 + 1, static_cast<int>(kHighestHz * shortLength_ / rate) + 2)),
      0);
  highestBin_ = std::min(fftSize_ / 2 - 1, static_cast<int>(kHighestHz * fftSize_ / rate) - 1);
  lowestBin_ = std::max(2, static_cast<int>(std::ceil(kLowestHz * fftSize_ / rate)));
  frame_samples_.assign(static_cast<size_t>(fftSize_), 0.0);
  re_.assign(static_cast<size_t>(fftSize_ / 2 + 1), 0.0);
  im_.assign(re_.size(), 0.0);
  db_.assign(re_.size(), 0.0);
  block_.assign(4096, 0.0);
  held_.clear();
  heldFrom_ = 0;
  ended_ = false;
  frame_ = 0;
  return true;
}

int RefinedSpectrum::Fill(RecordingSource& source, int64_t end) {
  while (!ended_ && heldFrom_ + static_cast<int64_t>(held_.size()) < end) {
    const int64_t got = source.Read(block_);
    if (got < 0) return -1;
    ended_ = got == 0;
    std::span<const double> samples(block_.data(), static_cast<size_t>(std::max<int64_t>(got, 0)));
    for (HalfbandDecimator& decimator : decimators_) {
      halved_.clear();
      decimator.Process(samples, halved_);
      if (ended_) decimator.Finish(halved_);
      stage_.swap(halved_);
      samples = stage_;
    }
    held_.insert(held_.end(), samples.begin(), samples.end());
  }
  return 0;
}

int RefinedSpectrum::NextFrame(RecordingSource& source, std::vector<RefinedPeak>& peaks) {
  ++frame_;
  const auto centre = static_cast<int64_t>(
      std::llround(static_cast<double>(frame_) * frameShiftMs_ * rate_ / 1000.0));
  const int64_t start = centre - frameLength_ / 2;
  if (Fill(source, start + frameLength_) != 0) return -1;
  for (int i = 0; i < frameLength_; ++i) {
    const int64_t at = start + i - heldFrom_;
    const bool inside = at >= 0 && at < static_cast<int64_t>(held_.size());
    frame_samples_[i] = inside ? held_[static_cast<size_t>(at)] * window_[i] : 0.0;
  }
  std::fill(frame_samples_.begin() + frameLength_, frame_samples_.end(), 0.0);
  ShortSpectrum(centre);
  // The next frame starts later still: what lies before it is no longer needed.
  const int64_t nextStart =
      std::llround(static_cast<double>(frame_ + 1) * frameShiftMs_ * rate_ / 1000.0) -
      frameLength_ / 2;
  const int64_t drop = std::clamp<int64_t>(nextStart - heldFrom_, 0, held_.size());
  if (drop > 0) {
    held_.erase(held_.begin(), held_.begin() + drop);
    heldFrom_ += drop;
  }

  fft_.Forward(frame_samples_.data(), re_.data(), im_.data());
  // The levels of the band, and as far beyond it as the valley search of a peak reaches.
  const int reach = 4 * fftSize_ / frameLength_;
  for (int k = std::max(0, lowestBin_ - reach); k <= std::min(fftSize_ / 2, highestBin_ + reach);
       ++k) {
    const double power = re_[k] * re_[k] + im_[k] * im_[k];
    db_[k] = power > 0.0 ? 10.0 * std::log10(power) + levelOffsetDb_ : -400.0;
  }
  PickPeaks(peaks);
  return 0;
}

void RefinedSpectrum::ShortSpectrum(int64_t centre) {
  const int64_t start = centre - shortLength_ / 2;
  for (int i = 0; i < shortLength_; ++i) {
    const int64_t at = start + i - heldFrom_;
    const bool inside = at >= 0 && at < static_cast<int64_t>(held_.size());
    shortSamples_[i] = inside ? held_[static_cast<size_t>(at)] * shortWindow_[i] : 0.0;
  }
  // The long frame's arrays are free again until its own transform.
  shortFft_.Forward(shortSamples_.data(), re_.data(), im_.data());
  for (size_t k = 0; k < shortLevels_.size(); ++k) {
    const double power = re_[k] * re_[k] + im_[k] * im_[k];
    const double level = power > 0.0 ? 10.0 * std::log10(power) + shortOffsetDb_ : 0.0;
    shortLevels_[k] = static_cast<uint8_t>(std::clamp(std::lround(level), 0L, 255L));
  }
}

void RefinedSpectrum::PickPeaks(std::vector<RefinedPeak>& peaks) const {
  peaks.clear();
  paired_.clear();
  double strongest = -400.0;
  for (int k = lowestBin_; k <= highestBin_; ++k) strongest = std::max(strongest, db_[k]);
  const double floor = std::max(kLevelFloorDb, strongest - kBelowStrongestDb);
  // How far a main lobe reaches: two bins of the unpadded frame on each side, and as far again
  // to find the valley beside it.
  const int reach = 4 * fftSize_ / frameLength_;
  const double binHz = rate_ / fftSize_;
  // The noise floor: a low percentile of the levels of blocks of bins, interpolated between
  // block centres.
  const int block = kFloorBlockBins * fftSize_ / frameLength_;
  floors_.clear();
  for (int from = lowestBin_; from <= highestBin_; from += block) {
    const int to = std::min(highestBin_ + 1, from + block);
    median_.assign(db_.begin() + from, db_.begin() + to);
    const size_t low = median_.size() / 5;
    std::nth_element(median_.begin(), median_.begin() + low, median_.end());
    floors_.push_back(median_[low]);
  }
  // The floor is the lowest of the last few frames': the click of a mallet or a pick raises
  // the whole spectrum for a moment without hiding the partials it starts.
  recentFloors_.push_back(floors_);
  if (recentFloors_.size() > kFloorFrames) recentFloors_.pop_front();
  for (const std::vector<double>& earlier : recentFloors_) {
    for (size_t i = 0; i < floors_.size() && i < earlier.size(); ++i) {
      floors_[i] = std::min(floors_[i], earlier[i]);
    }
  }
  const auto noiseFloor = [&](int k) {
    const double position = static_cast<double>(k - lowestBin_) / block - 0.5;
    if (position <= 0.0) return floors_.front();
    const auto i = static_cast<size_t>(position);
    if (i + 1 >= floors_.size()) return floors_.back();
    const double fraction = position - static_cast<double>(i);
    return floors_[i] + fraction * (floors_[i + 1] - floors_[i]);
  };
  for (int k = lowestBin_; k <= highestBin_; ++k) {
    const double level = db_[k];
    if (level < floor || level <= db_[k - 1] || level < db_[k + 1]) continue;
    // The deepest level on each side before a higher bin or the end of the reach: a lobe
    // broadened into ripples by vibrato keeps its highest ripple as the peak.
    double left = level;
    for (int j = k - 1; j >= std::max(0, k - reach) && db_[j] <= level; --j) {
      left = std::min(left, db_[j]);
    }
    double right = level;
    for (int j = k + 1; j <= std::min(fftSize_ / 2, k + reach) && db_[j] <= level; ++j) {
      right = std::min(right, db_[j]);
    }
    const double shallow = level - std::max(left, right);
    if (level - std::min(left, right) < kProminenceDb || shallow < kPairValleyDb) continue;
    if (level - noiseFloor(k) < kAboveNoiseDb) continue;
    // The top of a parabola through the three levels: the window's main lobe is close to one.
    const double a = db_[k - 1], c = db_[k + 1];
    const double denominator = a - 2.0 * level + c;
    const double offset = denominator < 0.0 ? 0.5 * (a - c) / denominator : 0.0;
    peaks.push_back({static_cast<float>((k + offset) * binHz),
                     static_cast<float>(level - 0.25 * (a - c) * offset)});
    paired_.push_back(shallow < kProminenceDb);
  }
  // Side lobes: the Hann window leaks a sinusoid into lobes 31.5 dB down at two and a half
  // bins (of the unpadded frame) and 18 dB lower for each doubling of the distance. A peak
  // no higher than that skirt of a stronger peak beside it (with 3 dB to spare) is leakage.
  const double rawBinHz = rate_ / frameLength_;
  std::vector<bool> leak(peaks.size(), false);
  for (size_t i = 0; i < peaks.size(); ++i) {
    for (size_t j = 0; j < peaks.size() && !leak[i]; ++j) {
      const double bins = std::abs(peaks[j].frequency - peaks[i].frequency) / rawBinHz;
      if (peaks[j].level <= peaks[i].level || bins > kSideLobeReach || bins < 2.0) continue;
      const double skirt = -31.5 - 60.0 * std::log10(std::max(bins, 2.5) / 2.5) + 3.0;
      leak[i] = peaks[i].level - peaks[j].level <= skirt ||
                (paired_[i] && peaks[j].level - peaks[i].level > kPairSpreadDb);
    }
  }
  size_t kept = 0;
  for (size_t i = 0; i < peaks.size(); ++i) {
    if (!leak[i]) peaks[kept++] = peaks[i];
  }
  peaks.resize(kept);
}

}  // namespace tonvale
