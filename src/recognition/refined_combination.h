#pragma once

#include "app/session.h"

namespace tonvale {

// Process 2 of the refined method: reads "PeakExtraction.txt", finds in every frame the
// fundamentals that explain its peaks (overtones are folded into their fundamental), follows
// each pitch from frame to frame into notes split at fresh attacks, drops notes that are far
// quieter than the piece or lack a harmonic series (drums), and writes one lump per note to
// "PeakCombination.txt" in the usual format: the lump starts at the note's onset and holds its
// fundamental frequency and level in every frame. 0 on success; 1 after logging why.
int RefinedPeakCombination(Session& session);

}  // namespace tonvale
