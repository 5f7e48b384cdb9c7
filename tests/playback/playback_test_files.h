#pragma once

#include <string>
#include <vector>

#include "playback/audio_source.h"

namespace tonvale::testing {

struct MidiNote {
  int key = 60;   // middle C
  int start = 0;  // ticks
  int ticks = 480;
};

// A Standard MIDI File of one track at 480 ticks per quarter note and 120 beats per minute,
// so that 960 ticks last a second: `program` (0 piano, 19 church organ) plays the notes on
// channel 1 at velocity 100.
std::string MakeMidiFile(const std::vector<MidiNote>& notes, int program = 0);

// Frames held in memory, read out in order.
class VectorSource final : public AudioSource {
 public:
  VectorSource(std::vector<float> samples, int rate, int channels)
      : samples_(std::move(samples)), rate_(rate), channels_(channels) {}

  int SampleRate() const override { return rate_; }
  int Channels() const override { return channels_; }
  int Read(float* out, int frames) override;
  void Rewind() override { next_ = 0; }

 private:
  std::vector<float> samples_;
  int rate_;
  int channels_;
  size_t next_ = 0;  // frame
};

}  // namespace tonvale::testing
