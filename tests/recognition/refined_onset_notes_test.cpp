// The refined method's notes at onsets, on generated tones whose long and short frames and
// found pitches are known.
#include "recognition/refined_onset_notes.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <map>
#include <utility>
#include <vector>

namespace tonvale {
namespace {

constexpr int64_t kFrames = 110;
constexpr int kBins = 120;

// A tone of `note` sounding over frames from..to: six partials falling 3 dB each from `level`
// (dB), steady up to frame `decay` and falling by 0.5 dB a frame after it, as a room's tail does.
struct Tone {
  int note;
  int64_t from, to;
  double level;
  int64_t decay;
};

// The frames from..to find `note`.
struct Found {
  int note;
  int64_t from, to;
};

std::vector<std::pair<int, int64_t>> NotesAt(const std::vector<Tone>& tones,
                                             const std::vector<Found>& found,
                                             std::vector<int64_t> onsets) {
  ShortSpectra spectra{22050.0, 10, 512, kBins, std::vector<uint8_t>(kFrames * kBins, 30)};
  PeakTable records;
  for (int64_t t = 0; t < kFrames; ++t) {
    std::map<float, float> peaks;  // the louder tone's level where partials coincide
    for (const Tone& tone : tones) {
      if (t < tone.from || t > tone.to) continue;
      const double level =
          tone.level - 0.5 * static_cast<double>(std::max<int64_t>(0, t - tone.decay));
      for (int h = 1; h <= 6; ++h) {
        const auto f = static_cast<float>(h * NoteFrequency(tone.note));
        const auto partial = static_cast<float>(level - 3.0 * (h - 1));
        peaks[f] = std::max(peaks[f], partial);
        const auto k = static_cast<int>(std::lround(f / spectra.binHz()));
        for (int j = k - 1; h <= 4 && j <= k + 1; ++j) {
          uint8_t& bin = spectra.levels[static_cast<size_t>(t * kBins + j)];
          bin = std::max(bin, static_cast<uint8_t>(std::lround(partial)));
        }
      }
    }
    records.AddRecord(static_cast<int32_t>(10 * (t + 1)));
    for (const auto& [frequency, level] : peaks) records.AddPeak(frequency, level);
  }
  std::vector<std::vector<FramePitch>> pitches(kFrames);
  for (const Found& f : found) {
    for (int64_t t = f.from; t <= f.to; ++t) {
      pitches[t].push_back({f.note, static_cast<float>(NoteFrequency(f.note)), 60.f, 6});
    }
  }
  OnsetNotes onsetNotes(records, pitches, spectra, 10);
  HarmonicAnalyser analyser;
  std::vector<std::pair<int, int64_t>> notes;
  for (const TrackedNote& n : onsetNotes.Notes(onsets, analyser)) {
    notes.emplace_back(n.note, n.firstFrame);
  }
  std::sort(notes.begin(), notes.end());
  return notes;
}

TEST(OnsetNotesTest, ATailGoesOnAndARestrikeRisesAboveIt) {
  struct Case {
    const char* what;
    std::vector<Tone> tones;
    std::vector<Found> found;
    std::vector<std::pair<int, int64_t>> notes;  // (note, first frame), sorted
  };
  const std::vector<Case> cases = {
      {"a note whose tail the frames read as its octave under the next note",
       {{69, 10, 109, 60, 60}, {53, 60, 109, 60, 200}},
       {{69, 10, 59}, {53, 60, 109}, {81, 60, 109}},
       {{53, 59}, {69, 9}}},
      {"a note whose tail the frames read as its fifth partial under the next note",
       {{69, 10, 109, 60, 60}, {53, 60, 109, 60, 200}},
       {{69, 10, 59}, {53, 60, 109}, {97, 60, 109}},
       {{53, 59}, {69, 9}}},
      {"the same pitch struck again under its own tail",
       {{69, 10, 109, 60, 30}, {69, 60, 109, 60, 200}},
       {{69, 10, 109}},
       {{69, 9}, {69, 59}}},
      {"an octave with an attack of its own over a note going on",
       {{57, 10, 109, 60, 200}, {69, 60, 109, 63, 200}},
       {{57, 10, 109}, {69, 60, 109}},
       {{57, 9}, {69, 59}}},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(NotesAt(c.tones, c.found, {10, 60}), c.notes) << c.what;
  }
}

}  // namespace
}  // namespace tonvale
