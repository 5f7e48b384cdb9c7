#include "playback/midi_file_source.h"

#include <fluidsynth.h>

#include <utility>

namespace tonvale {

MidiFileSource::MidiFileSource(MidiSynth& synth, std::string bytes)
    : synth_(synth), bytes_(std::move(bytes)) {
  fluid_synth_system_reset(synth_.synth());
  StartPlayer();
}

MidiFileSource::~MidiFileSource() {
  if (player_ != nullptr) delete_fluid_player(player_);
  fluid_synth_all_sounds_off(synth_.synth(), -1);
}

void MidiFileSource::StartPlayer() {
  // Every start makes a fresh player, which stands at the first tick whatever the old one had
  // reached; it is cheap, as it parses the file on its first rendered block.
  player_ = new_fluid_player(synth_.synth());
  if (player_ == nullptr) return;
  fluid_player_add_mem(player_, bytes_.data(), bytes_.size());
  fluid_player_play(player_);
  position_ = 0;
}

int MidiFileSource::Read(float* out, int frames) {
  if (frames <= 0) return 0;
  fluid_synth_write_float(synth_.synth(), frames, out, 0, 2, out, 1, 2);
  position_ += frames;
  return frames;
}

void MidiFileSource::Rewind() {
  if (player_ != nullptr) delete_fluid_player(player_);
  player_ = nullptr;
  fluid_synth_system_reset(synth_.synth());
  StartPlayer();
}

int MidiFileSource::Tick() const {
  return player_ != nullptr ? fluid_player_get_current_tick(player_) : 0;
}

void MidiFileSource::Halt() {
  fluid_synth_all_sounds_off(synth_.synth(), -1);
}

}  // namespace tonvale
