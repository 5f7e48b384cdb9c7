#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "playback/audio_source.h"
#include "playback/channel_map.h"
#include "playback/resampler.h"

namespace tonvale {

// Brings a source to the rate and channel count of the output device: resampled when the
// rates differ (equal rates pass the samples through untouched), then mapped to the output's
// channels. Past the end of the source it gives silence.
class OutputConverter {
 public:
  OutputConverter(AudioSource& source, int outRate, int outChannels);

  // Fills `frames` whole frames of the output format into `out`.
  void Render(float* out, int frames);

  // Starts over after the source was rewound.
  void Reset();

  // True once every frame of the source has been rendered.
  bool Finished() const { return finished_; }

  // Output frames rendered from the source since the start, silence past the end excluded.
  std::int64_t FramesRendered() const { return rendered_; }

 private:
  AudioSource& source_;
  ChannelMap map_;
  std::optional<Resampler> resampler_;
  std::vector<float> block_;  // source channels at the output rate
  bool finished_ = false;
  std::int64_t rendered_ = 0;
};

}  // namespace tonvale
