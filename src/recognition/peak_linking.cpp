#include "recognition/peak_linking.h"

#include <algorithm>
#include <cmath>
#include <deque>
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

// The peaks of a frame in frequency order, so that the candidates of a continuation are found
// by a binary search instead of a scan of the whole frame. A frame's order is made when the
// frame is first searched, before any of its peaks can have been taken (only a search finds
// them), and dropped once the linking has moved past it: only the frames that lumps still
// reach are held. Peaks keep their original frequency here after they are taken; the cost is
// always computed from the table.
class FrequencyIndex {
 public:
  explicit FrequencyIndex(const PeakTable& frames) : frames_(frames) {}

  // Frames before `frame` will not be searched again.
  void Forget(int frame) {
    while (!held_.empty() && first_ < frame) {
      held_.pop_front();
      ++first_;
    }
    if (held_.empty()) first_ = frame;
  }

  // The cheapest peak of `frame` from (frequency, level), the lowest index among equal costs,
  // as a scan of the whole frame would find it whenever its cost is 10 or less. A higher cost
  // may differ from the full scan's, but any cost above 10 ends a lump all the same.
  Choice Cheapest(int frame, float frequency, float level) {
    Choice best;
    const PeakTable& frames = frames_;
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
    const Order& order = OrderOf(frame);
    const double low = static_cast<double>(frequency) - kSearchReach;
    const double high = static_cast<double>(frequency) + kSearchReach;
    auto it = std::lower_bound(order.sorted.begin(), order.sorted.end(), low,
                               [](float f, double v) { return f < v; });
    for (; it != order.sorted.end() && *it <= high; ++it) {
      consider(order.peaks[static_cast<size_t>(it - order.sorted.begin())]);
    }
    return best;
  }

 private:
  struct Order {
    bool made = false;
    std::vector<int> peaks;     // peak indices within the frame, by frequency
    std::vector<float> sorted;  // their original frequencies
  };

  // Frequency order with anything that is not a number last.
  static bool Before(float a, float b) { return a < b || (!std::isnan(a) && std::isnan(b)); }

  const Order& OrderOf(int frame) {
    // Forget() has made first_ the earliest frame that can be searched.
    while (first_ + static_cast<int>(held_.size()) <= frame) held_.emplace_back();
    Order& order = held_[static_cast<size_t>(frame - first_)];
    if (order.made) return order;
    order.made = true;
    auto frequencies = frames_.Frequencies(frame);
    order.peaks.resize(frequencies.size());
    for (size_t q = 0; q < frequencies.size(); ++q) order.peaks[q] = static_cast<int>(q);
    // Peaks of a frame usually come in frequency order already; sort only when they do not.
    auto lower = [&](int a, int b) { return Before(frequencies[a], frequencies[b]); };
    if (!std::is_sorted(order.peaks.begin(), order.peaks.end(), lower)) {
      std::stable_sort(order.peaks.begin(), order.peaks.end(), lower);
    }
    order.sorted.reserve(frequencies.size());
    for (int q : order.peaks) order.sorted.push_back(frequencies[static_cast<size_t>(q)]);
    return order;
  }

  const PeakTable& frames_;
  std::deque<Order> held_;  // frames first_, first_ + 1, ...
  int first_ = 0;
};

struct Member {
  int frame;
  int peak;
};

}  // namespace

LinkingResult LinkPeaks(PeakTable& frames, int64_t loopCount, int64_t frameRate, std::string& out,
                        const std::function<void(std::string& out)>& flush, RunProgress* progress) {
  LinkingResult result;
  const int count = frames.size();
  if (count < 2) return result;
  FrequencyIndex index(frames);
  std::vector<Member> members;
  std::vector<float> lumpFrequencies;
  std::vector<float> lumpLevels;
  for (int i = 0; i + 1 < count; ++i) {
    if (progress != nullptr && !progress->Advance(i, count - 1)) return result;
    const int peaks = frames.Count(i);
    result.maxPeaksPerFrame = std::max(result.maxPeaksPerFrame, peaks);
    // A lump needs a member in frame i + 1, and frame loopCount - 1 never joins one.
    if (i + 1 >= loopCount) continue;
    index.Forget(i + 1);
    for (int v = 0; v < peaks; ++v) {
      const float startFrequency = frames.Frequencies(i)[static_cast<size_t>(v)];
      if (startFrequency == 0.0f) continue;  // taken by an earlier lump
      Choice step = index.Cheapest(i + 1, startFrequency, frames.Levels(i)[static_cast<size_t>(v)]);
      if (!(step.cost < kStartLimit)) continue;

      members.assign(1, Member{i, v});
      for (;;) {
        // The last member's continuation was cheap enough: it joins the lump.
        const int frame = i + static_cast<int>(members.size());
        const float frequency = frames.Frequencies(frame)[static_cast<size_t>(step.peak)];
        if (frequency == 0.0f || frame + 1 >= loopCount) break;
        const float level = frames.Levels(frame)[static_cast<size_t>(step.peak)];
        members.push_back({frame, step.peak});
        step = index.Cheapest(frame + 1, frequency, level);
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
      if (flush && out.size() > (1 << 20)) flush(out);
    }
  }
  return result;
}

}  // namespace tonvale
