#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "extraction/peak_file.h"

namespace tonvale {

struct LinkingResult {
  int maxPeaksPerFrame = 0;  // over every frame but the last
  int lumpCount = 0;
};

// Links peaks of successive frames into lumps by the cost minimum. A lump starts at a peak of
// frame i whose cheapest peak in frame i + 1 costs less than 10, and follows the cheapest
// continuation (the lowest index among equal costs) frame by frame while a step costs 10 or
// less; no lump reaches frame `loopCount` - 1. Every lump is appended to `out` as a lump line
// labelled `frameRate` x (its first frame), and its peaks count as taken from then on, as if
// their frequency and level were set to 0; a peak at exactly 0 Hz counts as taken.
// The frames are read from `frames` as lumps reach them and let go once linking has moved
// past them, so only the frames that the lumps under way span are held.
// `flush`, when given, is called whenever `out` holds more than a megabyte, to take it away.
// `keepGoing`, when given, is asked frame by frame; linking stops early once it says no.
LinkingResult LinkPeaks(PeakRecordReader& frames, int64_t loopCount, int64_t frameRate,
                        std::string& out,
                        const std::function<void(std::string& out)>& flush = nullptr,
                        const std::function<bool()>& keepGoing = nullptr);

}  // namespace tonvale
