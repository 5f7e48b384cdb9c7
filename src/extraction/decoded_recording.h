#pragma once

#include <memory>
#include <string>
#include <vector>

#include "app/session.h"
#include "extraction/sndfile_recording.h"

namespace tonvale {

// Opens a recording that libsndfile decodes for analysis: logs which reader reads it and what
// it is, and writes its header report. Null after the reason is logged.
std::unique_ptr<SndfileRecording> OpenDecodedRecording(Session& session, const std::string& path);

// Reads the first channel to its end and logs its range. The samples are on the 16-bit scale
// in single precision: exact for integer samples of up to 24 bits and for every floating-point
// decoder, and half the memory of doubles for a long recording. False after an "err: " line,
// for a read error or a recording without samples.
bool ReadDecodedSamples(MessageLog& log, SndfileRecording& recording, std::vector<float>& samples);

}  // namespace tonvale
