#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "app/media_device.h"
#include "playback/audio_source.h"
#include "playback/midi_synth.h"
#include "playback/output_converter.h"
#include "playback/sdl_audio_output.h"

namespace tonvale {

// What the device asks of the sound output; 0 asks for the file's own rate or channel count
// (44100 Hz stereo for MIDI). The output may grant something else; the device converts.
struct PlaybackOptions {
  int outputRate = 0;
  int outputChannels = 0;
};

// The playback device: a WAVE file decoded with libsndfile or a MIDI file rendered by
// FluidSynth, played through SDL2's default sound output.
//
// Open checks that the file can be played as the type asked for and fails with the reason
// otherwise; it needs no sound output, so the file stays selected (and the analysis usable)
// on a machine without one. The output is opened on the first play, where a machine without
// sound reports kNoAudioOutput, and closed again with the file.
class SdlMediaDevice final : public MediaDevice {
 public:
  explicit SdlMediaDevice(PlaybackOptions options = {});
  ~SdlMediaDevice() override;

  DeviceStatus Open(DeviceType type, const std::string& path) override;
  DeviceStatus Close() override;
  DeviceStatus Stop() override;
  DeviceStatus PlayFromStart() override;
  DeviceStatus Resume() override;
  PlaybackTime Time() override;

  // Where playback stands, for tests and diagnostics.
  struct Progress {
    std::int64_t sourceFrames = 0;  // frames of the file (WAVE) or of the synthesiser (MIDI)
    std::int64_t outputFrames = 0;  // frames handed to the output since the last start
    bool finished = false;          // every frame of a WAVE file has been handed over
    int midiTick = 0;               // where the MIDI file's player stands
    int outputRate = 0;             // of the open output, 0 while none is open
    int outputChannels = 0;
  };
  Progress GetProgress();

 private:
  DeviceStatus StartOutput();
  static void Render(void* self, float* out, int frames);

  PlaybackOptions options_;
  bool open_ = false;
  DeviceType type_ = DeviceType::kWaveformAudio;
  std::int64_t totalMs_ = 0;
  std::string midiBytes_;
  std::unique_ptr<MidiSynth> midiSynth_;  // kept across files: loading a SoundFont takes time
  std::unique_ptr<AudioSource> source_;
  std::unique_ptr<OutputConverter> converter_;
  SdlAudioOutput output_;
};

}  // namespace tonvale
