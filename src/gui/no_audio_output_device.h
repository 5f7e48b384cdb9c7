#pragma once

#include "app/media_device.h"

namespace tonvale {

// The device of a build without sound output: it answers every request with kNoAudioOutput,
// so the window says why nothing plays and the analysis stays usable.
class NoAudioOutputDevice : public MediaDevice {
 public:
  DeviceStatus Open(DeviceType type, const std::string& path) override;
  DeviceStatus Close() override;
  DeviceStatus Stop() override;
  DeviceStatus PlayFromStart() override;
  DeviceStatus Resume() override;
};

}  // namespace tonvale
