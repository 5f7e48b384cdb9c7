#include "recognition/refined_combination.h"

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "app/numbers.h"
#include "app/output_file.h"
#include "dsp/worker_pool.h"
#include "extraction/short_spectra.h"
#include "extraction/work_file.h"
#include "recognition/refined_notes.h"
#include "recognition/refined_onset_notes.h"
#include "recognition/refined_onsets.h"
#include "recognition/refined_pitch.h"

namespace tonvale {
namespace {

// Notes whose attack is this far below the loudest attack of the piece are left out: the
// velocity curve of General MIDI spans about 40 dB, and what lies further down is reverberation
// or the residue of louder notes.
constexpr float kPieceRangeDb = 45.f;
// A pitched sound has a harmonic series; a drum's low thump or a noise burst matches one
// harmonic at a time. Notes high enough that fewer harmonics fit below 5500 Hz ask for fewer.
constexpr float kLeastPartials = 2.f;
constexpr double kHighestPartialHz = 5500.0;
// Frames handed to the workers at a time: 2.5 s at the usual shift, a few hundred kilobytes.
constexpr int kBatchFrames = 256;

bool IsPitched(const TrackedNote& note) {
  const double fit = std::floor(kHighestPartialHz / NoteFrequency(note.note));
  return note.partials >= std::min<double>(kLeastPartials, fit);
}

}  // namespace

int RefinedPeakCombination(Session& session) {
  MessageLog& log = session.log;
  log.AppendLog("..Combine peaks into notes by their harmonics (refined)");
  log.AppendLog("");
  WorkFile frames;
  if (!ReadStageInput(session, kPeakFileName, "err: cannot open! PeakExtract.txt", frames)) {
    return 1;
  }
  OutputFile output;
  if (!output.Open(session.WorkPath(kLumpFileName), OutputFile::Mode::kText,
                   OutputFile::Replace::kQuickly)) {
    log.AppendLog("err: cannot open! PeakCombination.txt");
    return 1;
  }

  // Notes start at the onsets of the short windows when process 1 left them for this
  // recording; otherwise at the rises of each pitch's harmonic sum.
  ShortSpectra shortSpectra;
  const bool onsets = ReadShortSpectra(session.WorkPath(kShortSpectraFileName),
                                       frames.header.signalName, frames.FrameRate(), shortSpectra);
  log.AppendLog(onsets ? "Notes start at the onsets of the short windows."
                       : "Notes start where the harmonic sum of their pitch rises.");

  // The frames are analysed a batch at a time by the workers, each with an analyser of its
  // own, and followed into notes in their order.
  WorkerPool pool(session.analysisThreads);
  std::vector<HarmonicAnalyser> analysers(pool.size());
  const int count = frames.records.size();
  // With onsets the fundamentals of every frame are kept for the onsets to look back and ahead
  // at; without, only a batch's.
  std::vector<std::vector<FramePitch>> pitches(onsets ? count : kBatchFrames);
  std::vector<std::vector<double>> sums(onsets ? 0 : kBatchFrames);
  NoteTracker tracker(frames.FrameRate());
  for (int from = 0; from < count; from += kBatchFrames) {
    // Cancelled: the previous lump file stays.
    if (!session.progress.Advance(from, count)) return 1;
    const int batch = std::min(kBatchFrames, count - from);
    const int base = onsets ? from : 0;
    pool.Run(static_cast<size_t>(batch), [&](size_t i, unsigned worker) {
      const int r = from + static_cast<int>(i);
      HarmonicAnalyser& analyser = analysers[worker];
      analyser.Analyse(frames.records.Frequencies(r), frames.records.Levels(r), pitches[base + i]);
      if (!onsets) sums[i] = analyser.harmonicSums();
    });
    if (!onsets) {
      for (int i = 0; i < batch; ++i) tracker.AddFrame(sums[i], pitches[i]);
    }
  }
  std::vector<TrackedNote> notes;
  if (onsets) {
    OnsetNotes starts(frames.records, pitches, shortSpectra, frames.FrameRate());
    notes = starts.Notes(DetectOnsets(shortSpectra), analysers[0]);
  } else {
    tracker.Finish();
    notes = std::move(tracker.notes());
  }
  const size_t tracked = notes.size();

  float loudest = -400.f;
  for (const TrackedNote& note : notes) loudest = std::max(loudest, note.onsetLevel);
  std::erase_if(notes, [&](const TrackedNote& note) {
    return note.onsetLevel < loudest - kPieceRangeDb || !IsPitched(note);
  });
  std::stable_sort(notes.begin(), notes.end(), [](const TrackedNote& a, const TrackedNote& b) {
    return a.firstFrame < b.firstFrame;
  });

  std::string text;
  AppendWorkFileHeader(text, RewrittenHeader(frames));
  const int frameRate = frames.FrameRate();
  for (const TrackedNote& note : notes) {
    const int64_t label = frames.records.Label(static_cast<int>(note.firstFrame));
    AppendPeakRecord(text, label != 0 ? label : frameRate * (note.firstFrame + 1), note.frequencies,
                     note.levels);
  }
  text += "end_of_file";
  output.Write(text);
  if (!output.Commit()) {
    log.AppendLog("err: cannot write! PeakCombination.txt");
    return 1;
  }
  log.AppendLog(
      Format("      The number of frames                      = %d", frames.records.size()));
  log.AppendLog(Format("      The number of notes followed               = %zu", tracked));
  log.AppendLog(Format("      The number of notes written as lumps       = %zu", notes.size()));
  log.AppendLog("");
  log.AppendLog("..Connected peaks into notes");
  log.AppendLog("OK!");
  return 0;
}

}  // namespace tonvale
