#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace tonvale {

// The peaks of one frame as the persistent-peak comparison takes them: the values a reader of
// the peak file gets back (32-bit floats: frequency in Hz, level in dB), each with its semitone
// worked out once.
struct PeakFrame {
  std::vector<float> frequencies;
  std::vector<float> levels;
  std::vector<int16_t> semitones;  // kNoSemitone for a peak without a pitch

  // Semitone numbers lie within +-328 (16-bit cents / 100); this one stands for "none".
  static constexpr int16_t kNoSemitone = INT16_MIN;

  void clear();
  void Add(float frequency, float level);
};

// Makes the records of the peaks that persist from one frame to a later one. Holds only
// scratch space: one matcher per thread.
class PersistentPeakMatcher {
 public:
  // Appends the record "label: ... end\n" holding each peak a of `earlier` once for every peak
  // b of `later` in the same semitone (dsp/pitch.h; a peak without a pitch matches none) whose
  // level differs from a's by less than 10 dB (|trunc(a - b)| < 10), in a's order.
  void AppendRecord(std::string& out, int64_t label, const PeakFrame& earlier,
                    const PeakFrame& later);

 private:
  // The later frame's peaks grouped by semitone: order_ lists the indices of the peaks with a
  // semitone, by semitone and within one semitone by index, and keys_ their semitones.
  std::vector<int16_t> keys_;
  std::vector<int> order_;
};

}  // namespace tonvale
