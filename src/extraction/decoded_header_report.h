#pragma once

#include <string>
#include <string_view>

#include "app/session.h"
#include "extraction/sndfile_recording.h"

namespace tonvale {

// The header report of a recording that libsndfile decodes, as UTF-8 text with "\n" line
// ends: a comment block with the decoder and the path, the container and the sample encoding
// as the decoder names them, then the rate, the channel count and the frame count as value
// lines.
std::string DecodedHeaderReportText(const DecodedFormat& format, std::string_view path,
                                    std::string_view decoder);

// Writes that report as "Wave_File_Format.txt" (code page 932, CR LF) in the program
// directory. 0 on success; 1 after "cannot open! Wav_File_Format.txt".
int WriteDecodedHeaderReport(Session& session, const std::string& path,
                             const DecodedFormat& format);

}  // namespace tonvale
