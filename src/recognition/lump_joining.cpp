#include "recognition/lump_joining.h"

#include <algorithm>

#include "recognition/link_cost.h"

namespace tonvale {
namespace {

constexpr float kJoinLimit = 15.0f;  // the end of one lump and the start of the next

class Joiner {
 public:
  Joiner(std::vector<Lump>& lumps, int frameRate, int shortestPeakTime)
      : lumps_(lumps), frameRate_(frameRate), shortestPeakTime_(shortestPeakTime) {}

  // Number of frames of the bridge from a to b, S = (s_b - s_a) / frameRate - n_a + 1.
  int64_t BridgeLength(const Lump& a, const Lump& b) const {
    int64_t frames = (static_cast<int64_t>(b.start) - a.start) / frameRate_;
    return frames - static_cast<int64_t>(a.size()) + 1;
  }

  // Joins b to a when the gap is short enough and the two ends are close.
  bool TryJoin(Lump& a, Lump& b) {
    if (b.size() == 0) return false;
    const int64_t bridge = BridgeLength(a, b);
    if (!(frameRate_ * bridge < shortestPeakTime_ && bridge >= 1)) return false;
    if (!(LinkCost(a.frequencies.back(), a.levels.back(), b.frequencies.front(), b.levels.front()) <
          kJoinLimit)) {
      return false;
    }
    const float steps = static_cast<float>(bridge);
    const float toFrequency = b.frequencies.front();
    const float toLevel = b.levels.front();
    for (int64_t k = 0; k < bridge; ++k) {
      const float fraction = static_cast<float>(k);
      const float frequency = a.frequencies.back();
      const float level = a.levels.back();
      a.frequencies.push_back(frequency - fraction * (frequency - toFrequency) / steps);
      a.levels.push_back(level - fraction * (level - toLevel) / steps);
    }
    a.frequencies.insert(a.frequencies.end(), b.frequencies.begin(), b.frequencies.end());
    a.levels.insert(a.levels.end(), b.levels.begin(), b.levels.end());
    b.frequencies = {};
    b.levels = {};
    return true;
  }

  // One sweep over every pair, each later lump compared with a as it stands.
  int Sweep() {
    const size_t count = lumps_.size();
    int joins = 0;
    for (size_t a = 0; a + 1 < count; ++a) {
      if (lumps_[a].size() == 0) continue;
      if (ordered_) {
        joins += JoinFollowers(a);
      } else {
        for (size_t b = a + 1; b < count; ++b) joins += TryJoin(lumps_[a], lumps_[b]) ? 1 : 0;
      }
    }
    return joins;
  }

  void Run(const std::function<void(int)>& onSweep) {
    ordered_ = std::is_sorted(lumps_.begin(), lumps_.end(),
                              [](const Lump& x, const Lump& y) { return x.start < y.start; });
    int joins;
    do {
      joins = Sweep();
      if (onSweep) onSweep(joins);
    } while (joins != 0);
  }

 private:
  // With lumps in start order, b can join a only when it starts in
  // [s_a + n_a x frameRate, s_a + (n_a + Smax) x frameRate), where Smax is the longest bridge
  // shorter than the shortest peak time; both ends move on as a grows.
  int JoinFollowers(size_t a) {
    if (shortestPeakTime_ <= frameRate_) return 0;  // not even a bridge of one frame
    const int64_t longest = (shortestPeakTime_ - 1) / frameRate_;
    const size_t count = lumps_.size();
    auto earliest = [&] {
      return static_cast<int64_t>(lumps_[a].start) +
             static_cast<int64_t>(lumps_[a].size()) * frameRate_;
    };
    auto firstFrom = [&](size_t from, int64_t time) {
      auto it = std::lower_bound(lumps_.begin() + static_cast<std::ptrdiff_t>(from), lumps_.end(),
                                 time, [](const Lump& lump, int64_t t) { return lump.start < t; });
      return static_cast<size_t>(it - lumps_.begin());
    };
    int joins = 0;
    size_t b = firstFrom(a + 1, earliest());
    while (b < count && lumps_[b].start < earliest() + longest * frameRate_) {
      if (TryJoin(lumps_[a], lumps_[b])) {
        ++joins;
        b = firstFrom(b + 1, earliest());
      } else {
        ++b;
      }
    }
    return joins;
  }

  std::vector<Lump>& lumps_;
  const int64_t frameRate_;
  const int64_t shortestPeakTime_;
  bool ordered_ = false;
};

}  // namespace

std::vector<Lump> LumpsOf(const PeakTable& records) {
  std::vector<Lump> lumps(static_cast<size_t>(records.size()));
  for (int r = 0; r < records.size(); ++r) {
    Lump& lump = lumps[static_cast<size_t>(r)];
    lump.start = records.Label(r);
    auto frequencies = records.Frequencies(r);
    auto levels = records.Levels(r);
    lump.frequencies.assign(frequencies.begin(), frequencies.end());
    lump.levels.assign(levels.begin(), levels.end());
  }
  return lumps;
}

int ShortestPeakTime(int tempo, int shortestNote) {
  if (tempo == 0 || shortestNote == 0) return 0;
  return ((60000 / tempo) / shortestNote) * 4;
}

void JoinLumps(std::vector<Lump>& lumps, int frameRate, int shortestPeakTime,
               const std::function<void(int joins)>& onSweep) {
  Joiner(lumps, frameRate, shortestPeakTime).Run(onSweep);
}

float LoudnessThreshold(float maxdB, float mindB) {
  const float sum = maxdB + mindB;
  return sum * 0.5f;
}

bool IsLoudEnough(const Lump& lump, float threshold) {
  if (lump.size() == 0) return false;
  float loudest = -1000.0f;
  for (float level : lump.levels) {
    if (level > loudest) loudest = level;
  }
  return loudest >= threshold;
}

}  // namespace tonvale
