#pragma once

#include <cstdint>
#include <deque>
#include <span>
#include <vector>

#include "dsp/real_fft.h"
#include "extraction/recording_source.h"

namespace tonvale {

// A spectral peak of the refined analysis: frequency in Hz and level in dB, where 0 dB is a
// sinusoid of amplitude 1 on the 16-bit scale (a full-scale sine is at 90.3 dB).
struct RefinedPeak {
  float frequency;
  float level;
};

// Halves the rate of a signal: a half-band low-pass, then every other sample. Output sample m
// lies at input sample 2m (the filter's delay is taken out).
class HalfbandDecimator {
 public:
  HalfbandDecimator();
  void Process(std::span<const double> in, std::vector<double>& out);
  // After the last input: the outputs that the filter still holds.
  void Finish(std::vector<double>& out);

 private:
  static constexpr int kHalfbandTaps = 31;
  std::vector<double> taps_;
  std::vector<double> buffer_;  // starts with half the taps of zeros before the first sample
  size_t next_ = 0;
};

// The frames of the refined analysis, read from a recording at its own rate. Frame m (from 1)
// is centred on the time of its label, m x the frame shift, rounded to the nearest sample, so
// frames never drift against their labels. Recordings at 44.1 kHz and above are first halved
// (once or more) to between 22.05 and 44.1 kHz. Each frame is a power of two of samples near
// 93 ms (long enough to resolve the partials of a low E, 41 Hz apart), Hann-windowed and
// zero-padded to twice its length. Only the last frame's worth of samples is held, so memory does
// not grow with the length of the recording.
class RefinedSpectrum {
 public:
  // False when the rate or shift is not positive or memory runs out.
  bool Prepare(double rate, int frameShiftMs);

  // The peaks of the next frame, in increasing frequency. 0 on success, -1 when the source
  // reports a read error.
  int NextFrame(RecordingSource& source, std::vector<RefinedPeak>& peaks);

  int frameLength() const { return frameLength_; }
  double rate() const { return rate_; }

  // The levels of the short window centred on the last frame's label, one byte a bin (whole
  // decibels on the scale of the peaks, 0 .. 255), from 0 Hz to the top of the band.
  std::span<const uint8_t> shortLevels() const { return shortLevels_; }
  int shortLength() const { return shortLength_; }

 private:
  // Reads until the held samples reach `end` (a sample index) or the recording ends.
  int Fill(RecordingSource& source, int64_t end);
  void PickPeaks(std::vector<RefinedPeak>& peaks) const;
  void ShortSpectrum(int64_t centre);

  double rate_ = 0.0;
  int frameShiftMs_ = 0;
  int frameLength_ = 0;
  int fftSize_ = 0;
  int highestBin_ = 0;
  int lowestBin_ = 0;
  int64_t frame_ = 0;  // frames analysed so far
  std::vector<double> window_;
  double levelOffsetDb_ = 0.0;  // turns 20 log10 |X| into the level of a sinusoid
  RealFft fft_;

  std::vector<double> held_;  // recording samples heldFrom_ .. heldFrom_ + held_.size() - 1
  int64_t heldFrom_ = 0;
  bool ended_ = false;
  std::vector<double> block_;
  std::vector<HalfbandDecimator> decimators_;
  std::vector<double> halved_, stage_;
  std::vector<double> frame_samples_;
  std::vector<double> re_, im_, db_;
  int shortLength_ = 0;
  RealFft shortFft_;
  std::vector<double> shortWindow_, shortSamples_;
  double shortOffsetDb_ = 0.0;
  std::vector<uint8_t> shortLevels_;
  mutable std::vector<double> floors_, median_;
  mutable std::vector<bool> paired_;  // per peak: kept by the shallow valley of a close pair
  mutable std::deque<std::vector<double>> recentFloors_;
};

}  // namespace tonvale
