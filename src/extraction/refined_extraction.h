#pragma once

#include <string>

#include "app/session.h"

namespace tonvale {

// Process 1 of the refined method: takes the WAVE file to "PeakExtraction.txt" (same format as
// the faithful process 1 writes), by way of "Wave_File_Format.txt". The recording is analysed
// at its own rate in 93 ms Hann frames centred on their labels, every FrameRate ms, and only
// the peaks that stand out as partials are written: at least 10 dB above the valleys beside
// them and within 60 dB of the frame's strongest. Levels are those of a sinusoid on the 16-bit
// scale. 0 on success; 1 after logging why.
int RefinedPeakExtraction(Session& session, const std::string& wavePath);

}  // namespace tonvale
