#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "app/input_stream.h"
#include "app/message_log.h"
#include "app/session.h"

namespace tonvale {

inline constexpr char kWaveHeaderReportName[] = "Wave_File_Format.txt";

// The ten values of the header report, in the order the report gives them. For a file whose
// chunks come in the usual order (RIFF, WAVE, fmt, data) the slots mean what the accessors say.
struct WaveFmt_Data {
  std::array<int32_t, 10> slot{};

  int32_t riffSize() const { return slot[0]; }
  int32_t fmtSize() const { return slot[1]; }
  int32_t formatId() const { return slot[2]; }
  int32_t channels() const { return slot[3]; }
  int32_t samplingRate() const { return slot[4]; }
  int32_t dataRate() const { return slot[5]; }  // bytes per second
  int32_t blockSize() const { return slot[6]; }
  int32_t bitsPerSample() const { return slot[7]; }
  int32_t dataBytes() const { return slot[8]; }     // as the file claims it
  int32_t headerLength() const { return slot[9]; }  // offset of the first sample
};

// How far the chunk walk looks for the "data" tag. Files with long metadata chunks before their
// samples are still found; a file with no "data" tag within this many bytes is not analysed.
inline constexpr size_t kWaveHeaderScanBytes = 64 * 1024;

enum class WaveHeaderScanResult { kFound, kNotRiff, kNoData };

// The fmt chunk as the walk met it (the last one before "data"), for telling the files this
// reader takes from those it leaves to another.
struct WaveFmtSeen {
  bool found = false;
  uint32_t formatId = 0;
  uint32_t channels = 0;
  uint32_t bitsPerSample = 0;
  uint32_t subFormat = 0;  // of WAVE_FORMAT_EXTENSIBLE: the first two bytes of its GUID
};

// The report for a WAVE file that begins with `head` (its first kWaveHeaderScanBytes bytes or
// all of a shorter file), as UTF-8 text with "\n" line ends: the comment block with the path,
// then, walking two bytes at a time, the values of the RIFF, WAVE and fmt chunks met before
// "data", and the data size and header length. A file that is not RIFF gets the comment block
// only. Bytes past the end of `head` read as 0.
std::string WaveHeaderReportText(std::string_view head, std::string_view wavePath,
                                 WaveHeaderScanResult& result, WaveFmtSeen* seen = nullptr);

// Writes "Wave_File_Format.txt" (code page 932, CR LF) in the program directory for the WAVE
// file. 0 on success; 1 after logging why (the file cannot be read, the report cannot be
// written, the file is not a WAVE file).
int WriteWaveHeaderReport(Session& session, const std::string& wavePath);

// Reads the report back: every line's leading integer that is not 0 goes into the next slot and
// is logged. 0 when exactly ten values were found; otherwise 1 after the count error lines.
int ParseWaveHeaderReport(InputStream& report, MessageLog& log, WaveFmt_Data& data);

// The read-back with its log lines around the parse, from the program directory's report.
int ReadWaveHeaderReport(Session& session, WaveFmt_Data& data);

}  // namespace tonvale
