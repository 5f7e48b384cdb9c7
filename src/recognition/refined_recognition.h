#pragma once

#include "app/session.h"

namespace tonvale {

// Process 3 of the refined method: every lump of "PeakCombination.txt" becomes one note of the
// nearest semitone of its median frequency, from the lump's start to its end, with a velocity
// that follows the level of its attack against the loudest attack of the piece (the inverse of
// the General MIDI velocity curve, 40 dB from velocity 127 to 1.27). The note script beside the
// WAVE file has the faithful method's format. 0 on success; 1 after logging why.
int RefinedPitchRecognition(Session& session);

}  // namespace tonvale
