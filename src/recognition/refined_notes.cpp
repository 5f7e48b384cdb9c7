#include "recognition/refined_notes.h"

#include <algorithm>
#include <cmath>

namespace tonvale {
namespace {

constexpr int kCandidates = kHighestNote - kLowestNote + 1;
// Dropouts of up to 30 ms inside a note are bridged: a 93 ms analysis frame sees a steady tone
// for three times as long, so a shorter gap is the search missing it, not silence.
constexpr double kLongestGapMs = 30.0;
// A new strike at least doubles the amplitude (+6 dB) of what was sounding within 30 ms.
constexpr float kRiseDb = 6.f;
constexpr double kRiseMs = 30.0;
// Half the amplitude of the attack.
constexpr float kHalfAmplitudeDb = 6.f;
// The attack's peak is looked for in the first 80 ms of a note.
constexpr double kAttackMs = 80.0;
// A note must be found for at least half an analysis frame (46 ms): a shorter one is the edge
// of another sound passing through the frame.
constexpr double kShortestMs = 46.0;
// A new strike reaches within 10 dB of the loudest point of the pitch's last note (a step of
// dynamics larger than that between neighbouring notes is rare), and a tail of that note may
// sound for a second after it (reverberation).
constexpr float kRestrikeDb = 10.f;
constexpr double kTailMs = 1000.0;

float Decibels(double amplitude) {
  return amplitude > 0.0 ? static_cast<float>(20.0 * std::log10(amplitude)) : -400.f;
}

}  // namespace

NoteTracker::NoteTracker(int frameShiftMs)
    : gap_(Frames(kLongestGapMs, frameShiftMs)),
      rise_(Frames(kRiseMs, frameShiftMs)),
      attack_(Frames(kAttackMs, frameShiftMs)),
      shortest_(Frames(kShortestMs, frameShiftMs)),
      history_(rise_ + 1),
      tail_(Frames(kTailMs, frameShiftMs)),
      pitches_(kCandidates) {
  for (PitchState& state : pitches_) state.history.assign(static_cast<size_t>(history_), -400.f);
}

void NoteTracker::Open(PitchState& state, int64_t frame) {
  state.open = true;
  state.start = frame;
  state.lastFound = frame;
  state.sums.assign(state.history.rbegin(), state.history.rend());
  state.frequencies.clear();
  state.levels.clear();
  state.partials = 0.0;
  state.found = 0;
  state.loudest = -400.f;
}

void NoteTracker::Close(int note, PitchState& state) {
  state.open = false;
  state.lastEnd = state.lastFound;
  state.lastLoudest = state.loudest;
  const int64_t end = state.lastFound;
  const int64_t frames = end - state.start + 1;
  // sums[i] is the harmonic sum of frame start - history_ + i.
  const auto at = [&](int64_t frame) { return state.sums[frame - state.start + history_]; };
  const int64_t attackEnd = std::min(end, state.start + attack_);
  int64_t peak = state.start;
  for (int64_t f = state.start; f <= attackEnd; ++f) {
    if (at(f) > at(peak)) peak = f;
  }
  int64_t onset = state.start;
  for (int64_t f = std::max<int64_t>(0, state.start - rise_); f <= peak; ++f) {
    if (at(f) >= at(peak) - kHalfAmplitudeDb) {
      onset = f;
      break;
    }
  }
  if (end - onset + 1 < shortest_ || state.found == 0) return;

  TrackedNote out;
  out.note = note;
  out.firstFrame = onset;
  out.lastFrame = end;
  // Frames before the first one found repeat its values; frames of a slow rise before the
  // onset are left out.
  const size_t lead = static_cast<size_t>(std::max<int64_t>(0, state.start - onset));
  const int64_t skip = std::max<int64_t>(0, onset - state.start);
  out.frequencies.assign(lead, state.frequencies.front());
  out.levels.assign(lead, state.levels.front());
  out.frequencies.insert(out.frequencies.end(), state.frequencies.begin() + skip,
                         state.frequencies.begin() + frames);
  out.levels.insert(out.levels.end(), state.levels.begin() + skip, state.levels.begin() + frames);
  out.onsetLevel = *std::max_element(state.levels.begin(),
                                     state.levels.begin() + std::min<int64_t>(frames, attack_ + 1));
  out.partials = static_cast<float>(state.partials / state.found);
  notes_.push_back(std::move(out));
}

void NoteTracker::AddFrame(std::span<const double> harmonicSums,
                           std::span<const FramePitch> pitches) {
  const int64_t t = frame_++;
  std::vector<const FramePitch*> found(kCandidates, nullptr);
  for (const FramePitch& p : pitches) {
    if (p.note >= kLowestNote && p.note <= kHighestNote) found[p.note - kLowestNote] = &p;
  }
  for (int n = 0; n < kCandidates; ++n) {
    PitchState& state = pitches_[n];
    const float sum =
        n < static_cast<int>(harmonicSums.size()) ? Decibels(harmonicSums[n]) : -400.f;
    const FramePitch* pitch = found[n];
    if (state.open && t - state.lastFound > gap_) Close(kLowestNote + n, state);
    // Notes start only at a rise of their pitch's harmonic sum: a pitch that reappears in a
    // decaying or reverberating tail without one is the same note going on, or nothing.
    const float before = *std::min_element(state.history.begin(), state.history.begin() + rise_);
    // A strike reaches near the level of the pitch's previous strike; the flutter of its own
    // decaying or reverberating tail stays further below.
    const float reference =
        state.open ? state.loudest : (t - state.lastEnd <= tail_ ? state.lastLoudest : -400.f);
    const bool rising = sum - before >= kRiseDb && sum >= reference - kRestrikeDb;
    if (pitch != nullptr && (state.open || rising)) {
      if (state.open && rising && t - state.start >= shortest_) Close(kLowestNote + n, state);
      if (!state.open) {
        Open(state, t);
      } else {
        // Bridge a dropout with the last values found.
        for (int64_t f = state.lastFound + 1; f < t; ++f) {
          state.frequencies.push_back(state.frequencies.back());
          state.levels.push_back(state.levels.back());
        }
      }
      state.lastFound = t;
      state.frequencies.push_back(pitch->frequency);
      state.levels.push_back(pitch->level);
      state.partials += pitch->partials;
      ++state.found;
    }
    if (state.open) {
      state.sums.push_back(sum);
      state.loudest = std::max(state.loudest, sum);
    }
    std::rotate(state.history.rbegin(), state.history.rbegin() + 1, state.history.rend());
    state.history[0] = sum;
  }
}

void NoteTracker::Finish() {
  for (int n = 0; n < kCandidates; ++n) {
    if (pitches_[n].open) Close(kLowestNote + n, pitches_[n]);
  }
}

}  // namespace tonvale
