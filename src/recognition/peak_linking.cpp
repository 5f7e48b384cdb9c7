#include "recognition/peak_linking.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "recognition/link_cost.h"

namespace tonvale {
namespace {

constexpr float kNoCost = 1000.0f;    // the minimum search starts here
constexpr float kStartLimit = 10.0f;  // a lump starts on a cost below this
constexpr float kStepLimit = 10.0f;   // and goes on while a step costs no more than this

// Only a peak less than 11 Hz away can cost 10 or less (the truncated difference must be at
// most 10), so the search looks 12 Hz either side and leaves the exact test to the cost.
constexpr double kSearchReach = 12.0;

struct Choice {
  float cost = kNoCost;
  int peak = -1;
};

// The peaks of every frame in frequency order, so that the candidates of a continuation are
// found by a binary search instead of a scan of the whole frame. Peaks keep their original
// frequency here after they are taken; the cost is always computed from the table.
class FrequencyIndex {
 public:
  explicit FrequencyIndex(const PeakTable& frames) {
    begin_.reserve(static_cast<size_t>(frames.size()) + 1);
    begin_.push_back(0);
    for (int r = 0; r < frames.size(); ++r) {
      auto frequencies = frames.Frequencies(r);
      size_t first = order_.size();
      for (int q = 0; q < static_cast<int>(frequencies.size()); ++q) order_.push_back(q);
      auto begin = order_.begin() + static_cast<std::ptrdiff_t>(first);
      // Peaks of a frame usually come in frequency order already; sort only when they do not.
      auto lower = [&](int a, int b) { return Before(frequencies[a], frequencies[b]); };
      if (!std::is_sorted(begin, order_.end(), lower)) std::stable_sort(begin, order_.end(), lower);
      for (auto it = begin; it != order_.end(); ++it) sorted_.push_back(frequencies[*it]);
      begin_.push_back(order_.size());
    }
  }

  // The cheapest peak of `frame` from (frequency, level), the lowest index among equal costs,
  // as a scan of the whole frame would find it whenever its cost is 10 or less. A higher cost
  // may differ from the full scan's, but any cost above 10 ends a lump all the same.
  Choice Cheapest(const PeakTable& frames, int frame, float frequency, float level) const {
    Choice best;
    if (frame < 0 || frame >= frames.size()) return best;
    auto frequencies = frames.Frequencies(frame);
    auto levels = frames.Levels(frame);
    auto consider = [&](int q) {
      float cost = LinkCost(frequency, level, frequencies[q], levels[q]);
      if (cost < best.cost || (cost == best.cost && best.peak >= 0 && q < best.peak)) {
        best = {cost, q};
      }
    };
    if (!(std::fabs(frequency) >= kSearchReach)) {
      // Taken peaks sit at 0 Hz, away from their place in the index: scan the frame.
      for (int q = 0; q < static_cast<int>(frequencies.size()); ++q) consider(q);
      return best;
    }
    const double low = static_cast<double>(frequency) - kSearchReach;
    const double high = static_cast<double>(frequency) + kSearchReach;
    auto first = sorted_.begin() + static_cast<std::ptrdiff_t>(begin_[frame]);
    auto last = sorted_.begin() + static_cast<std::ptrdiff_t>(begin_[frame + 1]);
    auto it = std::lower_bound(first, last, low, [](float f, double v) { return f < v; });
    for (; it != last && *it <= high; ++it) {
      consider(order_[static_cast<size_t>(it - sorted_.begin())]);
    }
    return best;
  }

 private:
  // Frequency order with anything that is not a number last.
  static bool Before(float a, float b) { return a < b || (!std::isnan(a) && std::isnan(b)); }

  std::vector<size_t> begin_;  // frame r holds entries begin_[r] .. begin_[r + 1] - 1
  std::vector<int> order_;     // peak indices within their frame, by frequency
  std::vector<float> sorted_;  // their original frequencies
};

struct Member {
  int frame;
  int peak;
};

}  // namespace

LinkingResult LinkPeaks(PeakTable& frames, int64_t loopCount, int64_t frameRate, std::string& out,
                        RunProgress* progress) {
  LinkingResult result;
  const int count = frames.size();
  if (count < 2) return result;
  const FrequencyIndex index(frames);
  std::vector<Member> members;
  std::vector<float> lumpFrequencies;
  std::vector<float> lumpLevels;
  for (int i = 0; i + 1 < count; ++i) {
    if (progress != nullptr && !progress->Advance(i, count - 1)) return result;
    const int peaks = frames.Count(i);
    result.maxPeaksPerFrame = std::max(result.maxPeaksPerFrame, peaks);
    // A lump needs a member in frame i + 1, and frame loopCount - 1 never joins one.
    if (i + 1 >= loopCount) continue;
    for (int v = 0; v < peaks; ++v) {
      const float startFrequency = frames.Frequencies(i)[static_cast<size_t>(v)];
      if (startFrequency == 0.0f) continue;  // taken by an earlier lump
      Choice step =
          index.Cheapest(frames, i + 1, startFrequency, frames.Levels(i)[static_cast<size_t>(v)]);
      if (!(step.cost < kStartLimit)) continue;

      members.assign(1, Member{i, v});
      for (;;) {
        // The last member's continuation was cheap enough: it joins the lump.
        const int frame = i + static_cast<int>(members.size());
        const float frequency = frames.Frequencies(frame)[static_cast<size_t>(step.peak)];
        if (frequency == 0.0f || frame + 1 >= loopCount) break;
        const float level = frames.Levels(frame)[static_cast<size_t>(step.peak)];
        members.push_back({frame, step.peak});
        step = index.Cheapest(frames, frame + 1, frequency, level);
        if (step.cost > kStepLimit) break;
      }

      lumpFrequencies.clear();
      lumpLevels.clear();
      for (const Member& m : members) {
        auto frequencies = frames.Frequencies(m.frame);
        auto levels = frames.Levels(m.frame);
        lumpFrequencies.push_back(frequencies[static_cast<size_t>(m.peak)]);
        lumpLevels.push_back(levels[static_cast<size_t>(m.peak)]);
        frequencies[static_cast<size_t>(m.peak)] = 0.0f;
        levels[static_cast<size_t>(m.peak)] = 0.0f;
      }
      AppendPeakRecord(out, frameRate * i, lumpFrequencies, lumpLevels);
      ++result.lumpCount;
    }
  }
  return result;
}

}  // namespace tonvale
