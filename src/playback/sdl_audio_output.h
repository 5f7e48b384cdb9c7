#pragma once

#include <cstdint>
#include <string>

namespace tonvale {

// The machine's default sound output through SDL2, fed from a callback on SDL's audio thread
// with interleaved float frames. The SDL audio subsystem is started on Open and shut down on
// Close, so that a machine without sound costs nothing until something is played.
class SdlAudioOutput {
 public:
  // Fills `frames` frames of Channels() floats each; called with the output's lock held.
  using Callback = void (*)(void* user, float* out, int frames);

  SdlAudioOutput() = default;
  ~SdlAudioOutput() { Close(); }
  SdlAudioOutput(const SdlAudioOutput&) = delete;
  SdlAudioOutput& operator=(const SdlAudioOutput&) = delete;

  // Opens the default output, asking for `rate` and `channels`; the device may settle on
  // others, which SampleRate() and Channels() then tell. It starts paused. False when there
  // is no sound output at all; `error` then says why.
  bool Open(int rate, int channels, Callback callback, void* user, std::string& error);
  void Close();
  bool IsOpen() const { return device_ != 0; }

  int SampleRate() const { return rate_; }
  int Channels() const { return channels_; }

  // While paused the callback is not called.
  void SetPaused(bool paused);

  // Keeps the callback out while the state it reads changes.
  void Lock();
  void Unlock();

 private:
  static void Trampoline(void* self, std::uint8_t* stream, int bytes);

  std::uint32_t device_ = 0;
  int rate_ = 0;
  int channels_ = 0;
  Callback callback_ = nullptr;
  void* user_ = nullptr;
};

// Holds an output's lock for a scope; does nothing for an output that is not open.
class OutputLock {
 public:
  explicit OutputLock(SdlAudioOutput& output) : output_(output), held_(output.IsOpen()) {
    if (held_) output_.Lock();
  }
  ~OutputLock() {
    if (held_) output_.Unlock();
  }
  OutputLock(const OutputLock&) = delete;
  OutputLock& operator=(const OutputLock&) = delete;

 private:
  SdlAudioOutput& output_;
  bool held_;
};

}  // namespace tonvale
