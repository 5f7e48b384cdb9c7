#pragma once

#include "app/session.h"

namespace tonvale {

// Process 3: turns every lump of PeakCombination.txt (in the session's folder) into at most one
// note, lists the kept notes in the log and writes them as a note script beside the analysed
// WAVE file (its path + ".txt"). Reads Tempo, ShortestNote, Rhythm, Tone and ShortestPeakMs.
// 0 on success; 1 after an "err: " line, leaving any earlier note script as it was.
int PitchRecognition(Session& session);

}  // namespace tonvale
