#pragma once

#include <cstdint>
#include <span>

namespace tonvale {

// The first channel of a recording, read front to back a block at a time, as samples on the
// 16-bit scale (full scale 32768) whatever the file's own sample format, so that levels and
// thresholds mean the same for every format. 8- and 16-bit samples come out as the integers
// they were.
class RecordingSource {
 public:
  virtual ~RecordingSource() = default;

  // Fills the front of `block` with the next samples and returns how many it filled; 0 at the
  // end of the recording. -1 when the file cannot be read on, after an "err: " line naming the
  // file and the reason: a read error is never taken for the end.
  virtual int64_t Read(std::span<double> block) = 0;
};

}  // namespace tonvale
