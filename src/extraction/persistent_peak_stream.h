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
// read them back from the first pass's peak file, and writes the rewritten file's records as
// soon as the frame R later is in, so that the first pass's records are never written. Holds
// the R + 1 frames the comparison needs, plus a batch.
// The file's header holds the level range, known only at the end: the records follow room for
// a header of the size the range so far gives, and the header goes there at the end (the
// records move when its size turned out otherwise).
class PersistentPeakStream final : public FramePeakSink {
 public:
  // `shift` is R (AdjacentShiftFrames), `frameRate` F in milliseconds, `loopCount` the frames
  // the loop will analyse. The records are made on `pool` and written to `file` (open, nothing
  // written yet). `rangeSoFar` is the level range of the frames analysed so far.
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
  std::vector<PersistentPeakMatcher> matchers_;  // one per worker
  std::deque<PeakFrame> frames_;                 // frames firstFrame_, firstFrame_ + 1, ...
  std::vector<PeakFrame> spare_;                 // frames dropped, lending their memory
  int64_t firstFrame_ = 1;
  int64_t batchFirst_ = 0, batchLast_ = -1;
  std::vector<std::string> pieces_;  // the records of one batch, one piece per item
  std::string records_;              // records not yet written, "\n" line ends
  int64_t headerRoom_ = -1;          // bytes left for the header; -1 before the first write
};

}  // namespace tonvale
