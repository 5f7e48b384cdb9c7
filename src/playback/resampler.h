#pragma once

#include <cstdint>
#include <vector>

#include "playback/audio_source.h"

namespace tonvale {

// Streaming sample-rate converter: band-limited interpolation with a Kaiser-windowed sinc.
// The low-pass sits at 95 % of the lower of the two Nyquist frequencies and spans 16 of its
// zero crossings on each side, so images and aliases stay about 80 dB down. Output frame j
// lies at input time j * inRate / outRate exactly (integer phase, no drift over long files);
// the first output frame is the first input frame. Each output frame's weights are scaled to
// sum to one, so a constant signal passes unchanged.
class Resampler {
 public:
  Resampler(int inRate, int outRate, int channels);

  // Produces up to `frames` interleaved frames at the output rate, pulling the input from
  // `source` as needed. Returns fewer only once the input has ended and every output frame
  // that lies inside it, ceil(inputFrames * outRate / inRate) in all, has been produced.
  int Process(AudioSource& source, float* out, int frames);

  // Forgets the history, for an input that starts again.
  void Reset();

 private:
  void Fill(AudioSource& source);
  void ComputeWeights();

  int inRate_;
  int outRate_;
  int channels_;
  double cutoff_;              // of the low-pass, as a fraction of the input Nyquist frequency
  int halfWidth_;              // input frames on each side of the output time that carry weight
  std::vector<float> kernel_;  // windowed sinc over zero crossings 0 .. 16, finely sampled
  std::vector<float> weights_;
  std::vector<float> history_;  // interleaved input frames, from halfWidth_ before `pos_`
  std::int64_t historyFrames_ = 0;
  std::int64_t pos_ = 0;   // index in history_ of the input frame at or before the output time
  std::int64_t frac_ = 0;  // output time past that frame, in units of 1 / outRate
  bool ended_ = false;
  std::int64_t inputFrames_ = 0;
  std::int64_t outputFrames_ = 0;
};

}  // namespace tonvale
