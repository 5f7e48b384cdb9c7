#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

#include "extraction/peak_picker.h"

namespace tonvale {

// Where the frame loop of process 1 hands the peaks of its frames. The frames ready at a time
// form a batch, shared out among the workers in items of consecutive frames: StartBatch comes
// first on the calling thread, then Frame on the worker of each item for each of its frames in
// order (items run at once on different workers, so each touches only its own item's and
// frame's state), then EndBatch on the calling thread once every item is done, where whatever
// leaves the sink leaves in frame order.
class FramePeakSink {
 public:
  virtual ~FramePeakSink() = default;

  // Frames first .. last (from 1) in `items` items.
  virtual void StartBatch(int64_t first, int64_t last, size_t items) = 0;
  // Frame `frame`, labelled `label` (its time in milliseconds), of item `item`.
  virtual void Frame(size_t item, int64_t frame, int64_t label,
                     std::span<const PickedPeak> peaks) = 0;
  virtual void EndBatch() = 0;
};

}  // namespace tonvale
