#include "playback/sdl_audio_output.h"

#include <SDL2/SDL.h>

namespace tonvale {
namespace {

// About 23 ms at 44.1 kHz: a stop is heard at once, and the callback has time to decode.
constexpr Uint16 kBufferFrames = 1024;

}  // namespace

bool SdlAudioOutput::Open(int rate, int channels, Callback callback, void* user,
                          std::string& error) {
  Close();
  // The window framework owns the signals; SDL must not turn Ctrl+C into an event nobody reads.
  SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
  SDL_SetHint(SDL_HINT_AUDIO_DEVICE_APP_NAME, "Tonvale");
  if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) {
    error = SDL_GetError();
    return false;
  }
  SDL_AudioSpec desired{};
  desired.freq = rate;
  desired.format = AUDIO_F32SYS;
  desired.channels = static_cast<Uint8>(channels);
  desired.samples = kBufferFrames;
  desired.callback = &SdlAudioOutput::Trampoline;
  desired.userdata = this;
  SDL_AudioSpec obtained{};
  callback_ = callback;
  user_ = user;
  // The device keeps float samples (SDL converts them to its own sample format), but may pick
  // its own rate and channel count: the caller converts to those.
  const SDL_AudioDeviceID device =
      SDL_OpenAudioDevice(nullptr, 0, &desired, &obtained,
                          SDL_AUDIO_ALLOW_FREQUENCY_CHANGE | SDL_AUDIO_ALLOW_CHANNELS_CHANGE);
  if (device == 0) {
    const char* driver = SDL_GetCurrentAudioDriver();
    error = std::string(SDL_GetError()) + " (SDL audio driver: " + (driver ? driver : "none") + ")";
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
    return false;
  }
  device_ = device;
  rate_ = obtained.freq;
  channels_ = obtained.channels;
  return true;
}

void SdlAudioOutput::Close() {
  if (device_ == 0) return;
  SDL_CloseAudioDevice(device_);
  SDL_QuitSubSystem(SDL_INIT_AUDIO);
  device_ = 0;
  rate_ = 0;
  channels_ = 0;
}

void SdlAudioOutput::SetPaused(bool paused) {
  if (device_ != 0) SDL_PauseAudioDevice(device_, paused ? 1 : 0);
}

void SdlAudioOutput::Lock() {
  SDL_LockAudioDevice(device_);
}

void SdlAudioOutput::Unlock() {
  SDL_UnlockAudioDevice(device_);
}

void SdlAudioOutput::Trampoline(void* self, Uint8* stream, int bytes) {
  auto* output = static_cast<SdlAudioOutput*>(self);
  const int frames = bytes / static_cast<int>(sizeof(float) * output->channels_);
  output->callback_(output->user_, reinterpret_cast<float*>(stream), frames);
}

}  // namespace tonvale
