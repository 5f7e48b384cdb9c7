#pragma once

#include <cstdint>
#include <string>

#include "playback/audio_source.h"
#include "playback/midi_synth.h"

typedef struct _fluid_player_t fluid_player_t;

namespace tonvale {

// A Standard MIDI File played by a FluidSynth file player on a MidiSynth, rendered in stereo
// at the synthesiser's rate. The player moves on only while samples are pulled, so not
// pulling keeps its position. The sound never ends: after the last note the synthesiser
// renders its reverb tail, then silence.
class MidiFileSource final : public AudioSource {
 public:
  // `bytes` must have passed CheckMidiFile. Starts at the beginning of the song.
  MidiFileSource(MidiSynth& synth, std::string bytes);
  ~MidiFileSource() override;
  MidiFileSource(const MidiFileSource&) = delete;
  MidiFileSource& operator=(const MidiFileSource&) = delete;

  int SampleRate() const override { return synth_.SampleRate(); }
  int Channels() const override { return 2; }
  int Read(float* out, int frames) override;
  void Rewind() override;
  void Halt() override;

  // Frames rendered since the start of the song.
  std::int64_t Position() const { return position_; }
  // The player's position in the song, in ticks.
  int Tick() const;

 private:
  void StartPlayer();

  MidiSynth& synth_;
  std::string bytes_;
  fluid_player_t* player_ = nullptr;
  std::int64_t position_ = 0;
};

}  // namespace tonvale
