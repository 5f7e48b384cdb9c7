#include "playback/midi_synth.h"

#include <fluidsynth.h>

#include "app/output_file.h"

namespace tonvale {
namespace {

constexpr char kDebianGeneralMidi[] = "/usr/share/sounds/sf2/default-GM.sf2";

// FluidSynth's own default (0.2) leaves a piano chord near -20 dBFS at its peaks, far below
// the recordings it is compared with; five times that still leaves dense chords headroom.
constexpr double kGain = 1.0;

}  // namespace

std::unique_ptr<MidiSynth> MidiSynth::Create(int sampleRate, std::string& error) {
  fluid_settings_t* settings = new_fluid_settings();
  if (settings == nullptr) {
    error = "FluidSynth cannot be set up";
    return nullptr;
  }
  fluid_settings_setnum(settings, "synth.sample-rate", sampleRate);
  fluid_settings_setnum(settings, "synth.gain", kGain);
  fluid_settings_setint(settings, "synth.lock-memory", 0);
  fluid_settings_setstr(settings, "player.timing-source", "sample");

  std::string candidates[2];
  char* configured = nullptr;
  if (fluid_settings_dupstr(settings, "synth.default-soundfont", &configured) == FLUID_OK &&
      configured != nullptr) {
    candidates[0] = configured;
  }
  fluid_free(configured);
  candidates[1] = kDebianGeneralMidi;

  fluid_synth_t* synth = new_fluid_synth(settings);
  if (synth == nullptr) {
    delete_fluid_settings(settings);
    error = "FluidSynth cannot be set up";
    return nullptr;
  }
  std::string tried;
  for (const std::string& path : candidates) {
    if (path.empty()) continue;
    if (IsReadableFile(path) && fluid_synth_sfload(synth, path.c_str(), 1) != FLUID_FAILED) {
      return std::unique_ptr<MidiSynth>(new MidiSynth(settings, synth, sampleRate));
    }
    if (!tried.empty()) tried += ", ";
    tried += path;
  }
  delete_fluid_synth(synth);
  delete_fluid_settings(settings);
  error = "no General MIDI SoundFont could be loaded (tried " + tried + ")";
  return nullptr;
}

MidiSynth::MidiSynth(fluid_settings_t* settings, fluid_synth_t* synth, int rate)
    : settings_(settings), synth_(synth), rate_(rate) {}

MidiSynth::~MidiSynth() {
  delete_fluid_synth(synth_);
  delete_fluid_settings(settings_);
}

}  // namespace tonvale
