#pragma once

#include <memory>
#include <string>

typedef struct _fluid_hashtable_t fluid_settings_t;
typedef struct _fluid_synth_t fluid_synth_t;

namespace tonvale {

// A FluidSynth synthesiser with a General MIDI SoundFont, rendering at a fixed rate. It has
// no audio driver of its own: whoever plays it pulls its samples. Its MIDI file players take
// their time from the samples rendered, so they advance exactly as the sound is pulled.
class MidiSynth {
 public:
  // The SoundFont is FluidSynth's `synth.default-soundfont`, else the Debian General MIDI
  // one. Null when neither loads; `error` then names the files tried.
  static std::unique_ptr<MidiSynth> Create(int sampleRate, std::string& error);

  ~MidiSynth();
  MidiSynth(const MidiSynth&) = delete;
  MidiSynth& operator=(const MidiSynth&) = delete;

  int SampleRate() const { return rate_; }
  fluid_synth_t* synth() const { return synth_; }

 private:
  MidiSynth(fluid_settings_t* settings, fluid_synth_t* synth, int rate);

  fluid_settings_t* settings_;
  fluid_synth_t* synth_;
  int rate_;
};

}  // namespace tonvale
