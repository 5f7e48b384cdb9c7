#pragma once

#include <cstdint>
#include <functional>
#include <string_view>

#include "app/run_progress.h"
#include "app/session.h"
#include "extraction/peak_file.h"

namespace tonvale {

// The comparison distance R in frames. "オート": (frameLength - 11 F) / (11 F), the whole frame
// steps beyond the first that fit in one frame (11 samples per millisecond at the analysis
// rate); otherwise (v / 11) / F for the leading integer v of the text. Integer divisions; a
// negative result, or a frame shift F of 0 or below, gives 0.
int AdjacentShiftFrames(std::string_view adjacentShift, int frameLength, int frameRate);

// The rewritten peak file for `header` and the frame records of `frames` with the shift R: the
// header (with two blanks after the level range), R empty records, then for frames
// i = 0 .. LoopCount - R - 1 the record
// labelled (i + R + 1) F holding each peak a of frame i once for every peak b of frame i + R in
// the same semitone (dsp/pitch.h; a peak without a pitch matches none) whose level differs
// from a's by less than 10 dB (|trunc(a - b)| < 10), and "end_of_file". Text with "\n" line ends,
// handed to `write` in pieces. The frames are read as they are needed and dropped once passed:
// R + 1 of them are held at a time.
// Reports to `progress`, when given, but runs to the end when the run is cancelled: the peak
// file of the first pass is already in place, and this pass finishes what it began.
void WritePersistentPeaks(const WorkFileHeader& header, PeakRecordSource& frames, int shift,
                          const std::function<void(std::string_view)>& write,
                          RunProgress* progress = nullptr);

// The lines that end a run of proposed method 1.
void LogPersistentPeaksDone(MessageLog& log);

// The proposed-method-1 pass: reads the program directory's peak file and rewrites it with the
// peaks that are still present, in the same semitone and at a similar level, R frames later.
// Process 1 makes the same file in its frame loop (PersistentPeakStream) without this pass; it
// serves a peak file already on disk.
// With a second core (Session::analysisThreads) the file is parsed there, a few batches ahead.
// 0 on success; 1 after logging why.
int ProposedMethod1Pass(Session& session);

}  // namespace tonvale
