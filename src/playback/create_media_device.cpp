#include "playback/create_media_device.h"

#include "playback/sdl_media_device.h"

namespace tonvale {

std::unique_ptr<MediaDevice> CreateMediaDevice() {
  return std::make_unique<SdlMediaDevice>();
}

}  // namespace tonvale
