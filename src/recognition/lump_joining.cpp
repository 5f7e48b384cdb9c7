#include "recognition/lump_joining.h"

#include <algorithm>
#include <deque>

#include "recognition/link_cost.h"

namespace tonvale {
namespace {

constexpr float kJoinLimit = 15.0f;  // the end of one lump and the start of the next

// Number of frames of the bridge from a to b, S = (s_b - s_a) / frameRate - n_a + 1.
int64_t BridgeLength(const Lump& a, const Lump& b, int64_t frameRate) {
  int64_t frames = (static_cast<int64_t>(b.start) - a.start) / frameRate;
  return frames - static_cast<int64_t>(a.size()) + 1;
}

// Joins b to a when the gap is short enough and the two ends are close.
bool TryJoin(Lump& a, Lump& b, int64_t frameRate, int64_t shortestPeakTime) {
  if (b.size() == 0) return false;
  // The ends are compared first: most pairs fail there, before the division of the gap.
  if (!(LinkCost(a.frequencies.back(), a.levels.back(), b.frequencies.front(), b.levels.front()) <
        kJoinLimit)) {
    return false;
  }
  const int64_t bridge = BridgeLength(a, b, frameRate);
  if (!(frameRate * bridge < shortestPeakTime && bridge >= 1)) return false;
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

// Sweeps over every pair, each later lump compared with a as it stands, until a sweep joins
// nothing: lumps in any order.
void SweepEveryPair(std::vector<Lump>& lumps, int64_t frameRate, int64_t shortestPeakTime,
                    const std::function<void(int)>& onSweep) {
  int joins;
  do {
    joins = 0;
    for (size_t a = 0; a + 1 < lumps.size(); ++a) {
      if (lumps[a].size() == 0) continue;
      for (size_t b = a + 1; b < lumps.size(); ++b) {
        joins += TryJoin(lumps[a], lumps[b], frameRate, shortestPeakTime) ? 1 : 0;
      }
    }
    if (onSweep) onSweep(joins);
  } while (joins != 0);
}

// The one sweep over lumps in start order, through a window that reaches from the lump being
// swept to the first lump that starts too late to join it.
class StartOrderJoiner {
 public:
  StartOrderJoiner(const std::function<bool(Lump&)>& next,
                   const std::function<void(size_t, Lump&)>& emit, int64_t frameRate,
                   int64_t shortestPeakTime)
      : next_(next), emit_(emit), frameRate_(frameRate), shortestPeakTime_(shortestPeakTime) {}

  int64_t Run() {
    int64_t joins = 0;
    while (!window_.empty() || Read()) {
      Held& a = window_.front();
      if (a.lump.size() != 0) {
        joins += JoinFollowers(a.lump);
        if (disordered_) return -1;
        emit_(a.position, a.lump);
      }
      window_.pop_front();
    }
    return disordered_ ? -1 : joins;
  }

 private:
  struct Held {
    size_t position;
    Lump lump;
  };

  bool Read() {
    if (ended_ || disordered_) return false;
    Held held{read_, {}};
    if (!next_(held.lump)) {
      ended_ = true;
      return false;
    }
    if (read_ > 0 && held.lump.start < lastStart_) {
      disordered_ = true;
      return false;
    }
    ++read_;
    lastStart_ = held.lump.start;
    window_.push_back(std::move(held));
    return true;
  }

  // b can join a only when it starts in [s_a + n_a x frameRate, s_a + (n_a + Smax) x
  // frameRate), where Smax is the longest bridge shorter than the shortest peak time; both ends
  // move on as a grows.
  int64_t JoinFollowers(Lump& a) {
    if (shortestPeakTime_ <= frameRate_) return 0;  // not even a bridge of one frame
    const int64_t reach = (shortestPeakTime_ - 1) / frameRate_ * frameRate_;
    auto earliest = [&] {
      return static_cast<int64_t>(a.start) + static_cast<int64_t>(a.size()) * frameRate_;
    };
    // Every lump that starts before the end of the reach is read.
    auto readReach = [&] {
      while ((window_.size() == 1 || window_.back().lump.start < earliest() + reach) && Read()) {
      }
    };
    auto firstFrom = [&](size_t from, int64_t time) {
      auto it =
          std::lower_bound(window_.begin() + static_cast<std::ptrdiff_t>(from), window_.end(), time,
                           [](const Held& held, int64_t t) { return held.lump.start < t; });
      return static_cast<size_t>(it - window_.begin());
    };
    int64_t joins = 0;
    readReach();
    size_t b = firstFrom(1, earliest());
    while (b < window_.size() && window_[b].lump.start < earliest() + reach) {
      if (TryJoin(a, window_[b].lump, frameRate_, shortestPeakTime_)) {
        ++joins;
        readReach();
        b = firstFrom(b + 1, earliest());
      } else {
        ++b;
      }
    }
    return joins;
  }

  const std::function<bool(Lump&)>& next_;
  const std::function<void(size_t, Lump&)>& emit_;
  const int64_t frameRate_;
  const int64_t shortestPeakTime_;
  std::deque<Held> window_;  // by start; the front is the lump being swept
  size_t read_ = 0;
  int32_t lastStart_ = 0;
  bool ended_ = false;
  bool disordered_ = false;
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
  const bool ordered = std::is_sorted(
      lumps.begin(), lumps.end(), [](const Lump& x, const Lump& y) { return x.start < y.start; });
  if (!ordered) {
    SweepEveryPair(lumps, frameRate, shortestPeakTime, onSweep);
    return;
  }
  size_t read = 0;
  const int64_t joins = JoinLumpsInStartOrder(
      [&](Lump& lump) {
        if (read == lumps.size()) return false;
        // The lump is handed back unless it is emptied; its start stays in place either way.
        Lump& source = lumps[read++];
        lump = std::move(source);
        source.frequencies.clear();
        source.levels.clear();
        return true;
      },
      [&](size_t position, Lump& lump) { lumps[position] = std::move(lump); }, frameRate,
      shortestPeakTime);
  if (onSweep) onSweep(static_cast<int>(joins));
  if (joins != 0 && onSweep) onSweep(0);
}

int64_t JoinLumpsInStartOrder(const std::function<bool(Lump& lump)>& next,
                              const std::function<void(size_t position, Lump& lump)>& emit,
                              int frameRate, int shortestPeakTime) {
  return StartOrderJoiner(next, emit, frameRate, shortestPeakTime).Run();
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
