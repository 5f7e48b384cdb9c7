#pragma once

// Peak files and lump files for the tests of processes 2 to 4, and the lines they log.

#include <string>
#include <utility>
#include <vector>

#include "extraction/peak_file.h"

namespace tonvale::testing {

using Peaks = std::vector<std::pair<float, float>>;  // (Hz, dB) pairs of one record

struct WorkFileShape {
  int frameRate = 10;
  int loopCount = -1;  // -1: the number of records
  double maxdB = 60.0;
  double mindB = 10.0;
  std::string signalName = "/music/take.wav";
};

// A peak file with CR LF line ends, as the program writes it: frame records labelled
// frameRate x (position + 1).
std::string WorkFileText(const std::vector<Peaks>& frames, const WorkFileShape& shape = {});

// A lump file: records labelled with their start times.
struct LabelledPeaks {
  int start;
  Peaks peaks;
};
std::string LumpFileText(const std::vector<LabelledPeaks>& lumps, const WorkFileShape& shape = {});

// Lines of a lump file between the header and "end_of_file", without their CR LF.
std::vector<std::string> RecordLines(const std::string& file);

std::string WithCrLf(const std::string& text);

}  // namespace tonvale::testing
