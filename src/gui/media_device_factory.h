#pragma once

#include <memory>

#include "app/media_device.h"

namespace tonvale {

// The playback device the window drives.
std::unique_ptr<MediaDevice> CreateMediaDevice();

}  // namespace tonvale
