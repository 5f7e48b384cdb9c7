#pragma once

// Straightforward versions of the two passes of peak combination: every continuation is
// searched over the whole next frame and every pair of lumps is compared in every sweep. The
// fast versions must write the same bytes.

#include <string>
#include <string_view>
#include <vector>

#include "app/settings.h"
#include "extraction/peak_file.h"
#include "recognition/lump_joining.h"

namespace tonvale::testing {

struct LiteralLinking {
  int maxPeaksPerFrame = 0;
  int lumpCount = 0;
};

LiteralLinking LiteralLinkPeaks(PeakTable& frames, int loopCount, int frameRate, std::string& out);

// The joins of every sweep.
std::vector<int> LiteralJoinLumps(std::vector<Lump>& lumps, int frameRate, int shortestPeakTime);

// The lump file (with CR LF line ends) that both passes write for the peak file `peakFile`.
std::string LiteralLumpFile(std::string_view peakFile, const Settings& settings);

}  // namespace tonvale::testing
