#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <span>
#include <vector>

#include "recognition/refined_pitch.h"

namespace tonvale {

// A span of `ms` milliseconds as a whole number of frames, at least one.
inline int Frames(double ms, int frameShiftMs) {
  return std::max(1, static_cast<int>(std::lround(ms / std::max(1, frameShiftMs))));
}

// A note found by the tracker, in frames counted from 0.
struct TrackedNote {
  int note = 0;  // MIDI
  int64_t firstFrame = 0;
  int64_t lastFrame = 0;
  std::vector<float> frequencies;  // one per frame, first to last
  std::vector<float> levels;       // dB, one per frame
  float onsetLevel = 0.f;          // dB: the loudest level of the note's attack
  float partials = 0.f;            // harmonics found, on average over its frames
};

// Turns the fundamentals found frame by frame into notes, one pitch at a time: a note lasts
// while its pitch keeps being found (short dropouts bridged), and a fresh rise of the pitch's
// harmonic sum inside a note starts a new one (a repeated note). A note starts where its
// harmonic sum first reaches half the amplitude of its attack: a window centred on the onset
// of a steady tone holds half of it. Frames are fed in order and only a few are kept per pitch.
class NoteTracker {
 public:
  // Frames come every frameShiftMs milliseconds.
  explicit NoteTracker(int frameShiftMs);
  // The harmonic sums of every candidate (linear, kLowestNote up) and the fundamentals found in
  // the next frame.
  void AddFrame(std::span<const double> harmonicSums, std::span<const FramePitch> pitches);
  // Ends the notes still sounding.
  void Finish();
  // The notes so far, in the order they ended.
  std::vector<TrackedNote>& notes() { return notes_; }

 private:
  struct PitchState {
    bool open = false;
    int64_t start = 0;
    int64_t lastFound = 0;
    std::vector<float> history;  // harmonic sums (dB) of frames t-1, t-2 ... (history_ of them)
    std::vector<float> sums;     // dB, from start - history_ on
    std::vector<float> frequencies, levels;
    float loudest = -400.f;      // the highest harmonic sum of the note so far
    int64_t lastEnd = -1000000;  // the last frame of the previous note of this pitch
    float lastLoudest = -400.f;  // and its highest harmonic sum
    double partials = 0.0;
    int found = 0;
  };
  void Close(int note, PitchState& state);
  void Open(PitchState& state, int64_t frame);

  // The spans of the tracker's rules, in frames.
  int gap_, rise_, attack_, shortest_, history_;
  int64_t tail_;
  int64_t frame_ = 0;
  std::vector<PitchState> pitches_;
  std::vector<TrackedNote> notes_;
};

}  // namespace tonvale
