#pragma once

#include <string>

#include "app/session.h"

namespace tonvale {

// Process 1: takes the WAVE file to the peak file "PeakExtraction.txt" of the program
// directory, by way of the header report "Wave_File_Format.txt". The recording is folded to its
// first channel, brought to the analysis rate of 11025 Hz, cut into frames every FrameRate ms,
// and the spectral peaks below 5500 Hz of each frame are written with their levels. With
// ProposedMethod1 on, only the peaks that persist are kept. Reports every step in the log.
// 0 on success; 1 after logging why.
int PeakExtraction(Session& session, const std::string& wavePath);

}  // namespace tonvale
