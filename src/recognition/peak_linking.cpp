#include "recognition/peak_linking.h"

#include <algorithm>
#include <cmath>
#include <deque>
#include <limits>
#include <span>
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

// The frames that linking still reaches, read from the peak file as lumps first reach them and
// dropped once linking has moved past them. Each frame keeps its peaks in frequency order too,
// so that the candidates of a continuation are found by a binary search instead of a scan of
// the whole frame. A frame's order is made when the frame is first searched, before any of its
// peaks can have been taken (only a search finds them); peaks keep their original frequency
// there after they are taken, and the cost is always computed from the frame's own peaks.
class FrameWindow {
 public:
  explicit FrameWindow(PeakRecordSource& reader) : reader_(reader) {}

  // Whether the file holds `frame`, reading up to it. Frames already dropped do not count.
  bool Has(int frame) {
    while (!ended_ && End() <= frame) Read();
    return frame >= first_ && frame < End();
  }

  std::span<float> Frequencies(int frame) { return At(frame).frequencies; }
  std::span<float> Levels(int frame) { return At(frame).levels; }
  int Count(int frame) { return static_cast<int>(At(frame).frequencies.size()); }

  // Frames before `frame` will not be looked at again.
  void Forget(int frame) {
    while (!frames_.empty() && first_ < frame) {
      spare_.push_back(std::move(frames_.front()));
      frames_.pop_front();
      ++first_;
    }
    if (frames_.empty()) first_ = std::max(first_, frame);
  }

  // The cheapest peak of `frame` from (frequency, level), the lowest index among equal costs,
  // as a scan of the whole frame would find it whenever its cost is 10 or less. A higher cost
  // may differ from the full scan's, but any cost above 10 ends a lump all the same.
  Choice Cheapest(int frame, float frequency, float level) {
    Choice best;
    if (!Has(frame)) return best;
    Frame& candidates = At(frame);
    auto consider = [&](int q) { Consider(candidates, q, frequency, level, best); };
    if (!(std::fabs(frequency) >= kSearchReach)) {
      // Taken peaks sit at 0 Hz, away from their place in the order: scan the frame.
      for (int q = 0; q < static_cast<int>(candidates.frequencies.size()); ++q) consider(q);
      return best;
    }
    MakeOrder(candidates);
    const double low = static_cast<double>(frequency) - kSearchReach;
    const double high = static_cast<double>(frequency) + kSearchReach;
    const std::vector<float>& sorted = candidates.sorted;
    size_t at = FirstNotBelow(candidates, low);
    for (; at < sorted.size() && sorted[at] <= high; ++at) consider(candidates.order[at]);
    return best;
  }

  // Cheapest(frame + 1, ...) for the frequency and level of peak `peak` of `frame`, a peak not
  // taken. The choices of all of a frame's peaks are made at once, on the first such call, in
  // one pass over both frames in frequency order, which saves a search per peak. A choice stays
  // right while its peak is not taken, since taking a peak only makes it dearer (above 10 from
  // a peak of 12 Hz or more); one whose peak has been taken since is made again.
  Choice CheapestFrom(int frame, int peak) {
    if (!Has(frame + 1)) return {};
    Frame& from = At(frame);
    const auto p = static_cast<size_t>(peak);
    const float frequency = from.frequencies[p], level = from.levels[p];
    if (!(std::fabs(frequency) >= kSearchReach)) return Cheapest(frame + 1, frequency, level);
    Frame& to = At(frame + 1);
    if (!from.chosen) ChooseAll(from, to);
    const Choice choice = from.choices[p];
    if (choice.peak >= 0 && to.frequencies[static_cast<size_t>(choice.peak)] == 0.0f) {
      return Cheapest(frame + 1, frequency, level);
    }
    return choice;
  }

 private:
  struct Frame {
    std::vector<float> frequencies;
    std::vector<float> levels;
    bool chosen = false;
    std::vector<Choice> choices;  // by peak: the cheapest peak of the next frame, see ChooseAll
    bool ordered = false;
    std::vector<int> order;     // peak indices within the frame, by frequency
    std::vector<float> sorted;  // their original frequencies
    // The last search: its lower end and what it found. Searches of a frame mostly come in
    // rising frequency, lump after lump, so the next one usually starts a step or two on.
    double searched = 0.0;
    size_t found = 0;
  };

  int End() const { return first_ + static_cast<int>(frames_.size()); }
  Frame& At(int frame) { return frames_[static_cast<size_t>(frame - first_)]; }

  void Read() {
    int32_t label;
    if (!reader_.NextRecord(label)) {
      ended_ = true;
      return;
    }
    // A frame that has been dropped lends its memory to the next one.
    Frame frame;
    if (!spare_.empty()) {
      frame = std::move(spare_.back());
      spare_.pop_back();
      frame.frequencies.clear();
      frame.levels.clear();
      frame.chosen = false;
      frame.ordered = false;
    }
    float frequency, level;
    while (reader_.NextPeak(frequency, level)) {
      frame.frequencies.push_back(frequency);
      frame.levels.push_back(level);
    }
    frames_.push_back(std::move(frame));
  }

  // The first of the frame's sorted frequencies that is not below `value`, as std::lower_bound
  // finds it. Everything before the last search's result is below its lower end, so from a
  // value at least as high the search goes on from there: a few steps, then halving what is
  // left, without the branches that a frame's few dozen peaks make hard to predict.
  static size_t FirstNotBelow(Frame& frame, double value) {
    const std::vector<float>& sorted = frame.sorted;
    size_t from = 0;
    if (value >= frame.searched) {
      from = frame.found;
      for (int step = 0; step < 16 && from < sorted.size(); ++step, ++from) {
        if (!(static_cast<double>(sorted[from]) < value)) return Found(frame, value, from);
      }
    }
    size_t count = sorted.size() - from;
    if (count == 0) return Found(frame, value, from);
    const float* base = sorted.data() + from;
    while (count > 1) {
      const size_t half = count / 2;
      base = static_cast<double>(base[half]) < value ? base + half : base;
      count -= half;
    }
    const size_t at =
        static_cast<size_t>(base - sorted.data()) + (static_cast<double>(*base) < value ? 1 : 0);
    return Found(frame, value, at);
  }

  static size_t Found(Frame& frame, double value, size_t at) {
    frame.searched = value;
    frame.found = at;
    return at;
  }

  // For every peak of `from` of 12 Hz or more, what Cheapest finds for it in `to` as they are:
  // the peaks of both in frequency order, each peak's window of 12 Hz either side moving up
  // with it.
  static void ChooseAll(Frame& from, Frame& to) {
    MakeOrder(from);
    MakeOrder(to);
    from.choices.assign(from.frequencies.size(), Choice{});
    from.chosen = true;
    const std::vector<float>& sorted = to.sorted;
    size_t low = 0;
    for (int q : from.order) {
      const float frequency = from.frequencies[static_cast<size_t>(q)];
      const float level = from.levels[static_cast<size_t>(q)];
      // Taken peaks and those near 0 Hz are left to Cheapest; the others rise in this order.
      if (!(std::fabs(frequency) >= kSearchReach)) continue;
      const double lowest = static_cast<double>(frequency) - kSearchReach;
      const double highest = static_cast<double>(frequency) + kSearchReach;
      while (low < sorted.size() && static_cast<double>(sorted[low]) < lowest) ++low;
      Choice best;
      for (size_t at = low; at < sorted.size() && sorted[at] <= highest; ++at) {
        Consider(to, to.order[at], frequency, level, best);
      }
      from.choices[static_cast<size_t>(q)] = best;
    }
  }

  // Peak q of `candidates` against the best so far: the lowest cost, the lowest index among
  // equal costs.
  static void Consider(const Frame& candidates, int q, float frequency, float level, Choice& best) {
    const auto at = static_cast<size_t>(q);
    const float cost =
        LinkCost(frequency, level, candidates.frequencies[at], candidates.levels[at]);
    if (cost < best.cost || (cost == best.cost && best.peak >= 0 && q < best.peak)) {
      best = {cost, q};
    }
  }

  // Frequency order with anything that is not a number last.
  static bool Before(float a, float b) { return a < b || (!std::isnan(a) && std::isnan(b)); }

  static void MakeOrder(Frame& frame) {
    if (frame.ordered) return;
    frame.ordered = true;
    frame.searched = -std::numeric_limits<double>::infinity();
    frame.found = 0;
    const std::vector<float>& frequencies = frame.frequencies;
    frame.order.resize(frequencies.size());
    for (size_t q = 0; q < frequencies.size(); ++q) frame.order[q] = static_cast<int>(q);
    // Peaks of a frame usually come in frequency order already; sort only when they do not.
    auto lower = [&](int a, int b) {
      return Before(frequencies[static_cast<size_t>(a)], frequencies[static_cast<size_t>(b)]);
    };
    if (!std::is_sorted(frame.order.begin(), frame.order.end(), lower)) {
      std::stable_sort(frame.order.begin(), frame.order.end(), lower);
    }
    frame.sorted.clear();
    for (int q : frame.order) frame.sorted.push_back(frequencies[static_cast<size_t>(q)]);
  }

  PeakRecordSource& reader_;
  std::deque<Frame> frames_;  // frames first_, first_ + 1, ...
  std::vector<Frame> spare_;
  int first_ = 0;
  bool ended_ = false;
};

}  // namespace

// The frames that linking still reaches, with the frame window above.
class PeakLinker::Frames : public FrameWindow {
 public:
  using FrameWindow::FrameWindow;
};

PeakLinker::PeakLinker(PeakRecordSource& frames, int64_t loopCount,
                       const std::function<bool()>& keepGoing)
    : frames_(std::make_unique<Frames>(frames)), loopCount_(loopCount), keepGoing_(keepGoing) {}

PeakLinker::~PeakLinker() = default;

bool PeakLinker::Next(int& frame, std::vector<float>& frequencies, std::vector<float>& levels) {
  Frames& frames = *frames_;
  for (;;) {
    if (!inFrame_) {
      // Frame i starts lumps while there is a frame i + 1 to continue them.
      if (done_ || !frames.Has(i_ + 1) || (keepGoing_ && !keepGoing_())) {
        done_ = true;
        return false;
      }
      // Lumps of earlier frames have taken what they take from frame i on.
      frames.Forget(i_);
      peaks_ = frames.Count(i_);
      result_.maxPeaksPerFrame = std::max(result_.maxPeaksPerFrame, peaks_);
      v_ = 0;
      inFrame_ = true;
      // A lump needs a member in frame i + 1, and frame loopCount - 1 never joins one.
      if (i_ + 1 >= loopCount_) peaks_ = 0;
    }
    const int i = i_;
    while (v_ < peaks_) {
      const int v = v_++;
      const float startFrequency = frames.Frequencies(i)[static_cast<size_t>(v)];
      if (startFrequency == 0.0f) continue;  // taken by an earlier lump
      Choice step = frames.CheapestFrom(i, v);
      if (!(step.cost < kStartLimit)) continue;

      members_.assign(1, Member{i, v});
      for (;;) {
        // The last member's continuation was cheap enough: it joins the lump.
        const int at = i + static_cast<int>(members_.size());
        const float frequency = frames.Frequencies(at)[static_cast<size_t>(step.peak)];
        if (frequency == 0.0f || at + 1 >= loopCount_) break;
        members_.push_back({at, step.peak});
        step = frames.CheapestFrom(at, step.peak);
        if (step.cost > kStepLimit) break;
      }

      frequencies.clear();
      levels.clear();
      for (const Member& m : members_) {
        auto memberFrequencies = frames.Frequencies(m.frame);
        auto memberLevels = frames.Levels(m.frame);
        frequencies.push_back(memberFrequencies[static_cast<size_t>(m.peak)]);
        levels.push_back(memberLevels[static_cast<size_t>(m.peak)]);
        memberFrequencies[static_cast<size_t>(m.peak)] = 0.0f;
        memberLevels[static_cast<size_t>(m.peak)] = 0.0f;
      }
      ++result_.lumpCount;
      frame = i;
      return true;
    }
    inFrame_ = false;
    ++i_;
  }
}

}  // namespace tonvale
