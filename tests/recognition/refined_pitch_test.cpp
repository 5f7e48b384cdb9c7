// The refined method's harmonic analysis of one frame and its note tracking, on peak lists and
// frame sequences whose notes are known.
#include "recognition/refined_pitch.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "recognition/refined_notes.h"

namespace tonvale {
namespace {

struct Peaks {
  std::vector<float> frequencies, levels;
  // Partials h of a note at the given levels (dB); a level of 0 leaves the partial out.
  void Note(int note, std::vector<float> partials) {
    for (size_t h = 0; h < partials.size(); ++h) {
      if (partials[h] == 0.f) continue;
      frequencies.push_back(static_cast<float>(NoteFrequency(note) * (h + 1)));
      levels.push_back(partials[h]);
    }
  }
};

std::vector<int> NotesFound(Peaks peaks) {
  // The analyser takes peaks in any order.
  HarmonicAnalyser analyser;
  std::vector<FramePitch> pitches;
  analyser.Analyse(peaks.frequencies, peaks.levels, pitches);
  std::vector<int> notes;
  for (const FramePitch& p : pitches) notes.push_back(p.note);
  std::sort(notes.begin(), notes.end());
  return notes;
}

TEST(HarmonicAnalyserTest, FindsTheFundamentalsThatExplainTheFrame) {
  const std::vector<float> falling = {70, 64, 60, 57, 54, 52, 50, 48};
  struct Case {
    const char* what;
    std::vector<std::pair<int, std::vector<float>>> notes;
    std::vector<int> expected;
  } cases[] = {
      {"nothing", {}, {}},
      {"a harmonic series is one note", {{57, falling}}, {57}},
      {"a strong second partial is not a note", {{69, {60, 72, 58, 52, 48}}}, {69}},
      {"a weak first partial still names the note", {{45, {0, 66, 70, 66, 62, 60, 56}}}, {45}},
      {"a fifth is two notes", {{48, falling}, {55, falling}}, {48, 55}},
      {"a lone sinusoid low down is a note of its own", {{40, {70}}}, {40}},
      // The fifth's second partial lands on the root's third, so only the root's free even
      // partials tell whether its octave sounds.
      {"a triad with its root doubled an octave up is four notes",
       {{55, {66, 60, 62, 56, 54, 52, 46, 42}},
        {59, {70, 64, 60, 56, 52, 48}},
        {62, {70, 68, 58, 54, 50, 46}},
        {67, {75, 62, 56, 50}}},
       {55, 59, 62, 67}},
      {"a triad whose root has a strong second partial is three notes",
       {{55, {66, 74, 62, 56, 54, 52, 46, 42}},
        {59, {70, 64, 60, 56, 52, 48}},
        {62, {70, 68, 58, 54, 50, 46}}},
       {55, 59, 62}},
      // Levels measured on a cello's D2: no 1st partial, a resonant 3rd.
      {"a low string's resonant third partial is not a note",
       {{38, {0, 65, 72, 51, 65, 67, 58, 63, 60, 57, 52, 50}}},
       {38}},
      {"a twelfth that raises the low string's 6th, 9th and 12th partials too is two notes",
       {{38, {0, 65, 72, 51, 65, 69, 58, 63, 64, 57, 52, 55}}},
       {38, 57}},
      {"a low string's resonant second partial is not a note",
       {{45, {0, 72, 60, 58, 55, 52, 50, 48, 46, 44}}},
       {45}},
      {"an octave that raises the low string's 4th, 6th and 8th partials too is two notes",
       {{45, {0, 72, 60, 62, 55, 57, 50, 52, 46, 44}}},
       {45, 57}},
  };
  for (const Case& c : cases) {
    Peaks peaks;
    for (const auto& [note, partials] : c.notes) peaks.Note(note, partials);
    EXPECT_EQ(NotesFound(peaks), c.expected) << c.what;
  }
}

// Feeds the tracker one frame per value for the pitch 60: its harmonic sum in dB, found in the
// frame when positive; a negative value is a sum of that size in a frame where the pitch is
// not found, 0 is silence.
std::vector<TrackedNote> Track(const std::vector<float>& sums) {
  NoteTracker tracker(10);
  const int candidates = kHighestNote - kLowestNote + 1;
  for (float sum : sums) {
    std::vector<double> harmonic(candidates, 0.0), low(candidates, 0.0);
    std::vector<FramePitch> pitches;
    if (sum != 0.f) harmonic[60 - kLowestNote] = std::pow(10.0, std::abs(sum) / 20.0);
    if (sum > 0.f) pitches.push_back({60, 261.6f, sum, 6});
    tracker.AddFrame(harmonic, pitches);
  }
  tracker.Finish();
  return tracker.notes();
}

TEST(NoteTrackerTest, NotesStartAtRisesAndLastWhileTheirPitchIsFound) {
  auto repeat = [](int count, float value) { return std::vector<float>(count, value); };
  auto join = [](std::vector<std::vector<float>> parts) {
    std::vector<float> all;
    for (auto& part : parts) all.insert(all.end(), part.begin(), part.end());
    return all;
  };
  struct Case {
    const char* what;
    std::vector<float> sums;
    std::vector<int64_t> firstFrames;
  } cases[] = {
      {"a held tone is one note", join({repeat(5, 0), repeat(30, 70)}), {5}},
      {"the attack's half-amplitude point is the start",
       join({repeat(5, 0), {52, 58, 64, 70}, repeat(30, 70)}),
       {7}},
      {"a dropout of two frames is bridged",
       join({repeat(20, 70), repeat(2, -68), repeat(20, 70)}),
       {0}},
      {"a fresh strike splits a note",
       join({repeat(20, 70), repeat(4, 60), repeat(20, 70)}),
       {0, 24}},
      {"a tail that flutters is no new note",
       join({repeat(20, 70), repeat(10, -50), {40, 46, 40, 47}, repeat(6, 44)}),
       {0}},
      {"a blip shorter than 46 ms is no note", join({repeat(5, 0), repeat(3, 70)}), {}},
  };
  for (const Case& c : cases) {
    std::vector<int64_t> starts;
    for (const TrackedNote& note : Track(c.sums)) starts.push_back(note.firstFrame);
    std::sort(starts.begin(), starts.end());
    EXPECT_EQ(starts, c.firstFrames) << c.what;
  }
}

}  // namespace
}  // namespace tonvale
