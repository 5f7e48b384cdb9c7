#include "extraction/persistent_peaks.h"

#include <algorithm>

#include "app/numbers.h"
#include "dsp/pitch.h"
#include "extraction/peak_file.h"

namespace tonvale {

void PeakFrame::clear() {
  frequencies.clear();
  levels.clear();
  semitones.clear();
}

void PeakFrame::Add(float frequency, float level) {
  frequencies.push_back(frequency);
  levels.push_back(level);
  // Built once, on first use, by whichever thread comes first; read-only after that.
  static const SemitoneLookup semitoneOf;
  semitones.push_back(semitoneOf.Of(frequency, kNoSemitone));
}

void PersistentPeakMatcher::AppendRecord(std::string& out, int64_t label, const PeakFrame& earlier,
                                         const PeakFrame& later) {
  AppendInteger(out, label);
  out += ": ";
  const std::vector<float>& freqA = earlier.frequencies;
  const std::vector<float>& levelA = earlier.levels;
  const std::vector<float>& levelB = later.levels;
  if (!freqA.empty() && !levelB.empty()) {
    const int16_t* semiA = earlier.semitones.data();
    const int16_t* semiB = later.semitones.data();
    keys_.clear();
    order_.clear();
    for (size_t q = 0; q < levelB.size(); ++q) {
      if (semiB[q] != PeakFrame::kNoSemitone) {
        keys_.push_back(semiB[q]);
        order_.push_back(static_cast<int>(q));
      }
    }
    // The peaks of a frame come in rising frequency, so the list is nearly always sorted as
    // read.
    if (!std::is_sorted(keys_.begin(), keys_.end())) {
      // A stable sort keeps the peaks of one semitone in index order.
      std::stable_sort(order_.begin(), order_.end(),
                       [&](int x, int y) { return semiB[x] < semiB[y]; });
      for (size_t o = 0; o < order_.size(); ++o) keys_[o] = semiB[order_[o]];
    }
    // The semitones of the earlier frame mostly rise too: the search goes on from the last
    // one's place, and starts again when a semitone is lower than the one before.
    size_t first = 0;
    for (size_t p = 0; p < freqA.size(); ++p) {
      const int16_t semitone = semiA[p];
      if (semitone == PeakFrame::kNoSemitone) continue;
      if (first > 0 && keys_[first - 1] >= semitone) first = 0;
      while (first < keys_.size() && keys_[first] < semitone) ++first;
      // A peak is written once for every match: its text is made at the first.
      char text[kPeakPairRoom];
      size_t length = 0;
      for (size_t o = first; o < keys_.size() && keys_[o] == semitone; ++o) {
        // The gap in whole decibels, truncated toward zero, is below 10.
        const float gap = levelA[p] - levelB[static_cast<size_t>(order_[o])];
        if (gap < 10.0f && gap > -10.0f) {
          if (length == 0) length = WritePeakPair(text, freqA[p], levelA[p]);
          out.append(text, length);
        }
      }
    }
  }
  out += "end\n";
}

}  // namespace tonvale
