#pragma once

#include <cstdint>
#include <string>

namespace tonvale {

enum class DeviceType {
  kWaveformAudio,  // a WAVE file
  kSequencer,      // a Standard MIDI File
};

// The outcome of an operation of the playback device. A failure carries a sentence for the
// user, shown in a message box.
struct DeviceStatus {
  enum class Code {
    kOk,
    kFailed,  // the file or the device refused the operation
    // The machine cannot sound the file (no sound output, no MIDI SoundFont); not the file's
    // fault.
    kNoAudioOutput,
  };

  static DeviceStatus Ok() { return {}; }
  static DeviceStatus Failed(std::string text) { return {Code::kFailed, std::move(text)}; }
  static DeviceStatus NoAudioOutput(std::string text) {
    return {Code::kNoAudioOutput, std::move(text)};
  }
  bool ok() const { return code == Code::kOk; }

  Code code = Code::kOk;
  std::string error;
};

// Where the playback of the open file stands, in milliseconds of sound: how much has been
// played since the last start from the beginning, and how long the file is. `ended` once the
// whole file has been played (for a MIDI file, with the release of its last notes).
struct PlaybackTime {
  int64_t elapsed = 0;
  int64_t total = 0;
  bool ended = false;
  friend bool operator==(const PlaybackTime&, const PlaybackTime&) = default;
};

// Plays one file at a time, as waveform audio or through a MIDI sequencer. Playing returns at
// once; the sound goes on in the background, and Time() tells how far it has come and when it
// has ended.
class MediaDevice {
 public:
  virtual ~MediaDevice() = default;

  // Opens `path` as the given type, closing whatever was open.
  virtual DeviceStatus Open(DeviceType type, const std::string& path) = 0;
  virtual DeviceStatus Close() = 0;
  // Stops playback and keeps the position.
  virtual DeviceStatus Stop() = 0;
  // Plays from the beginning.
  virtual DeviceStatus PlayFromStart() = 0;
  // Plays on from the current position.
  virtual DeviceStatus Resume() = 0;
  // All zero while no file is open.
  virtual PlaybackTime Time() = 0;
};

}  // namespace tonvale
