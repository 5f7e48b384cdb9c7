#include "gui/media_device_factory.h"

#include "gui/no_audio_output_device.h"

namespace tonvale {

std::unique_ptr<MediaDevice> CreateMediaDevice() {
  return std::make_unique<NoAudioOutputDevice>();
}

}  // namespace tonvale
