#pragma once

#include "app/session.h"
#include "pipeline/process_host.h"

namespace tonvale {

// The third heading line of every process command run with the refined method.
inline constexpr char kRefinedMethodLine[] = "% method: refined";

// The commands behind the five pipeline buttons. Each loads the settings first (and stops,
// adding nothing, when that fails), clears the log, writes its two heading lines, checks the
// input of its stage and runs the stage; a failure adds one "err: " line and returns 1.
// Processes 1 to 3 run the stage of the session's method; process 4 is the same for both.
// Each reports its process to session.progress; a run cancelled there stops at the stage's next
// block, keeps every earlier file as it was, adds kCancelledLine and returns 1.

inline constexpr char kCancelledLine[] = "% 中止しました．前の結果はそのまま残っています．";

// Peak extraction of the file in the path field; needs an open playback device as proof that
// a file was selected, and the name of a recording format (".wav", ".flac", ".mp3" ... in any
// case). Draws the figure of process 1.
int RunProcess1(Session& session, ProcessHost& host);
// Peak combination of PeakExtraction.txt; draws the figure of process 2.
int RunProcess2(Session& session, ProcessHost& host);
// Pitch recognition of PeakCombination.txt into the note script beside the WAVE file; draws
// the figure of its notes.
int RunProcess3(Session& session, ProcessHost& host);
// MIDI conversion of the note script, named after the WAVE path in PeakCombination.txt;
// refused while the selected file is the MIDI file it would write.
int RunProcess4(Session& session, ProcessHost& host);
// The four in order, stopping at the first failure with that stage's lines in the log; on
// success the log holds the five summary lines only.
int RunWav2Mid(Session& session, ProcessHost& host);

}  // namespace tonvale
