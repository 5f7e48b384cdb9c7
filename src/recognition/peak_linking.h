#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "extraction/peak_file.h"

namespace tonvale {

struct LinkingResult {
  int maxPeaksPerFrame = 0;  // over every frame but the last
  int lumpCount = 0;
};

// Links peaks of successive frames into lumps by the cost minimum. A lump starts at a peak of
// frame i whose cheapest peak in frame i + 1 costs less than 10, and follows the cheapest
// continuation (the lowest index among equal costs) frame by frame while a step costs 10 or
// less; no lump reaches frame `loopCount` - 1. Lumps come out by their first frame, and once a
// lump is made its peaks count as taken, as if their frequency and level were set to 0; a peak
// at exactly 0 Hz counts as taken.
// The frames are read from `frames` as lumps reach them and let go once linking has moved
// past them, so only the frames that the lumps under way span are held.
// `keepGoing`, when given, is asked frame by frame; linking stops early once it says no.
class PeakLinker {
 public:
  PeakLinker(PeakRecordSource& frames, int64_t loopCount,
             const std::function<bool()>& keepGoing = nullptr);
  ~PeakLinker();
  PeakLinker(const PeakLinker&) = delete;
  PeakLinker& operator=(const PeakLinker&) = delete;

  // The next lump: the index of its first frame and its points, in Hz and dB. False once the
  // frames are linked or linking has stopped.
  bool Next(int& frame, std::vector<float>& frequencies, std::vector<float>& levels);

  // The counts so far; final once Next has said false.
  const LinkingResult& Result() const { return result_; }

 private:
  class Frames;
  struct Member {
    int frame;
    int peak;
  };

  std::unique_ptr<Frames> frames_;
  const int64_t loopCount_;
  const std::function<bool()> keepGoing_;
  LinkingResult result_;
  std::vector<Member> members_;
  int i_ = 0;      // the frame whose peaks start lumps
  int v_ = 0;      // its next peak to try
  int peaks_ = 0;  // of frame i_ that may start a lump
  bool inFrame_ = false;
  bool done_ = false;
};

}  // namespace tonvale
