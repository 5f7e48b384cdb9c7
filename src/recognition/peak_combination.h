#pragma once

#include "app/session.h"

namespace tonvale {

// Process 2: links the peaks of PeakExtraction.txt into lumps by the cost minimum and writes
// them to PeakCombination.txt (both in the session's folder); with ProposedMethod2 "あり" it
// then joins lumps across short gaps and keeps the loud ones. Reads Tempo, ShortestNote and
// ProposedMethod2. 0 on success; 1 after an error line, the earlier PeakCombination.txt kept
// whole when the first pass fails and the first pass's file when the second does.
int PeakCombination(Session& session);

// The joining pass alone, over the PeakCombination.txt in the session's folder, with the
// shortest peak time in milliseconds. Lumps in start order, as the first pass writes them, are
// read and written a few at a time; a file in any other order is joined whole.
int JoinLumpFile(Session& session, int shortestPeakTime);

}  // namespace tonvale
