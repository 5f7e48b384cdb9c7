#pragma once

#include <cstdint>
#include <deque>
#include <string>
#include <string_view>
#include <vector>

#include "extraction/frame_peak_sink.h"
#include "extraction/persistent_peaks.h"

namespace tonvale {

class PeakFileWriter;
class WorkerPool;

// Proposed method 1 inside the frame loop: takes the frames' peaks as the rewriting pass would
// read them back from the first pass's peak file, and makes the rewritten file's records on the
// workers as the frames come in (a record whose earlier frame another worker may still be
// analysing waits for the end of the batch), so that the first pass's records are never
// written. Holds the R + 1 frames the comparison needs, plus a batch.
// The file's header holds the level range, known only at the end: the records follow room for
// a header of the size the range so far gives, and the header goes there at the end (the
// records move when its size turned out otherwise).
class PersistentPeakStream final : public FramePeakSink {
 public:
  // `shift` is R (AdjacentShiftFrames), `frameRate` F in milliseconds, `loopCount` the frames
  // the loop will analyse. Records left to the end of a batch are made on `pool`, and all are
  // written to `file` (open, nothing written yet). `rangeSoFar` is the level range of the frames
  // analysed so far.
  PersistentPeakStream(int shift, int frameRate, int64_t loopCount, std::string_view wavePath,
                       const LevelRange& rangeSoFar, WorkerPool& pool, PeakFileWriter& file);

  void StartBatch(int64_t first, int64_t last, size_t items) override;
  void Frame(size_t item, int64_t frame, int64_t label, std::span<const PickedPeak> peaks) override;
  void EndBatch() override;

  // Ends the file with the header the rewriting pass makes from the first pass's header with
  // this level range, and puts it in place. False when any write failed.
  bool Finish(const LevelRange& range);

 private:
  PeakFrame& At(int64_t frame) { return frames_[static_cast<size_t>(frame - firstFrame_)]; }
  // The header, "\n" line ends.
  std::string Header(const LevelRange& range) const;
  // Writes the records made so far, after room for the header at the first time.
  void Spill();

  int shift_;
  int frameRate_;
  int64_t loopCount_;
  std::string wavePath_;
  bool matching_;  // some record compares two frames: R is below the frame count
  const LevelRange& rangeSoFar_;
  WorkerPool& pool_;
  PeakFileWriter& file_;
  // One item of the frame loop's batch: its frames, in order, and their records in three runs
  // that follow one another in frame order.
  struct Item {
    int64_t first = 0, last = 0;  // its frames; first is 0 before the first one
    std::string before;           // frame R earlier in an earlier batch: made as they came
    int64_t waitingFrom = 0, waitingTo = -1;
    std::string waiting;  // frame R earlier in an earlier item: made at the end of the batch
    std::string after;    // frame R earlier in this item: made as they came
    PersistentPeakMatcher matcher;
  };

  std::deque<PeakFrame> frames_;  // frames firstFrame_, firstFrame_ + 1, ...
  std::vector<PeakFrame> spare_;  // frames dropped, lending their memory
  int64_t firstFrame_ = 1;
  int64_t batchFirst_ = 0, batchLast_ = -1;
  std::vector<Item> items_;  // of the batch: the first itemCount_
  size_t itemCount_ = 0;
  std::string records_;      // records not yet written, "\n" line ends
  int64_t headerRoom_ = -1;  // bytes left for the header; -1 before the first write
};

}  // namespace tonvale
