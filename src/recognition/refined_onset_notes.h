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
  // The note from frame `onset` to its last frame found by `limit`; its attack level is taken
  // from frame `attack` (>= onset) on.
  TrackedNote Follow(int note, int64_t onset, int64_t attack, int64_t limit) const;
  // The level (dB) of the strongest peak of frame t within a semitone of `frequency` Hz;
  // -1e300 when there is none. With a `fundamental` (Hz, or 0 for none) a peak that is a
  // partial of another pitch found in the frame is left out.
  double PeakLevel(double frequency, int64_t t, double fundamental) const;
  // The power sum (dB) of those levels of the first partials of a fundamental of `frequency` Hz.
  double PartialLevel(double frequency, int64_t t) const;
  // Where the note `note` (MIDI) with a slow attack, whose onset makes it start at frame
  // `first`, began: where its partials appeared, at frame `earliest` at the soonest.
  int64_t AttackStart(int note, int64_t first, int64_t earliest) const;

  const PeakTable& records_;
  std::span<const std::vector<FramePitch>> pitches_;
  PartialEnergy energy_;
  int64_t count_;
  // The spans of the rules, in frames.
  int before_, after_, settle_, confirm_, sustain_, vote_, same_, gap_, attack_, attackSearch_,
      backtrack_, lead_;
  std::vector<float> grownFrequencies_, grownLevels_;
};

}  // namespace tonvale
