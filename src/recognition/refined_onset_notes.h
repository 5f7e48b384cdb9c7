#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "extraction/peak_file.h"
#include "extraction/short_spectra.h"
#include "recognition/refined_notes.h"
#include "recognition/refined_onsets.h"
#include "recognition/refined_pitch.h"

namespace tonvale {

// Turns the onsets of a recording into notes: at each onset, the pitches that start there are
// those whose partials grew across it (the fundamentals of what the frame after the onset holds
// beyond the frame before it) and those that the frames after it keep finding although the
// frames before it did not; a pitch that was sounding already starts again only where its
// first partials rise. Each note lasts while its pitch keeps being found.
class OnsetNotes {
 public:
  // `records` are the frames of the peak file, `pitches` the fundamentals found in each of them
  // and `spectra` their short windows; all outlive the object.
  OnsetNotes(const PeakTable& records, std::span<const std::vector<FramePitch>> pitches,
             const ShortSpectra& spectra, int frameShiftMs);

  // The notes that start at `onsets` (frames, in increasing order), in order of onset.
  std::vector<TrackedNote> Notes(std::span<const int64_t> onsets, HarmonicAnalyser& analyser);

 private:
  // The fundamentals of what grew from before the onset to after it.
  void GrownPitches(int64_t onset, HarmonicAnalyser& analyser, std::vector<FramePitch>& out);
  // The share of frames from..to (clamped to the recording) in which `note` was found.
  double FoundShare(int note, int64_t from, int64_t to) const;
  bool Found(int note, int64_t t) const;
  TrackedNote Follow(int note, int64_t onset, int64_t limit) const;

  const PeakTable& records_;
  std::span<const std::vector<FramePitch>> pitches_;
  PartialEnergy energy_;
  int64_t count_;
  // The spans of the rules, in frames.
  int before_, after_, settle_, confirm_, sustain_, vote_, same_, gap_, attack_, attackSearch_;
  std::vector<float> grownFrequencies_, grownLevels_;
};

}  // namespace tonvale
