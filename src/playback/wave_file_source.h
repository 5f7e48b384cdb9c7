#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "playback/audio_source.h"

struct sf_private_tag;

namespace tonvale {

// A sound file decoded with libsndfile as it plays: every encoding the library reads (8, 16,
// 24 and 32-bit PCM, float, A-law, mu-law, ADPCM ...) at its own rate and channel count,
// samples scaled to -1 .. 1.
class WaveFileSource final : public AudioSource {
 public:
  // Null when the file cannot be decoded; `error` then holds the reason for the user.
  static std::unique_ptr<WaveFileSource> Open(const std::string& path, std::string& error);

  ~WaveFileSource() override;
  WaveFileSource(const WaveFileSource&) = delete;
  WaveFileSource& operator=(const WaveFileSource&) = delete;

  int SampleRate() const override { return rate_; }
  int Channels() const override { return channels_; }
  int Read(float* out, int frames) override;
  void Rewind() override;

  std::int64_t Frames() const { return frames_; }
  std::int64_t Position() const { return position_; }

 private:
  WaveFileSource(sf_private_tag* file, int rate, int channels, std::int64_t frames);

  sf_private_tag* file_;
  int rate_;
  int channels_;
  std::int64_t frames_;
  std::int64_t position_ = 0;
};

}  // namespace tonvale
