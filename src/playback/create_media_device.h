#pragma once

#include <memory>

#include "app/media_device.h"

namespace tonvale {

// The playback device of the window: WAVE and MIDI files through the machine's sound output.
std::unique_ptr<MediaDevice> CreateMediaDevice();

}  // namespace tonvale
