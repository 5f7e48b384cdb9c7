#include "extraction/recording_reader.h"

#include <cstdio>

#include "extraction/wave_header_report.h"

namespace tonvale {
namespace {

constexpr uint32_t kFormatPcm = 1;
constexpr uint32_t kFormatExtensible = 0xFFFE;

}  // namespace

RecordingReader ReaderForHead(std::string_view head) {
  WaveHeaderScanResult result;
  WaveFmtSeen fmt;
  WaveHeaderReportText(head, "", result, &fmt);
  if (result == WaveHeaderScanResult::kNotRiff) return RecordingReader::kSndfile;
  if (!fmt.found) return RecordingReader::kWaveWalk;
  const uint32_t format = fmt.formatId == kFormatExtensible ? fmt.subFormat : fmt.formatId;
  // Floating point, A-law, mu-law, ADPCM ...: the walk would take their bytes for integers.
  if (format != kFormatPcm && format != 0) return RecordingReader::kSndfile;
  if (format == kFormatPcm && (fmt.bitsPerSample > 16 || fmt.channels > 2)) {
    return RecordingReader::kSndfile;
  }
  // 8 and 16 bits in one or two channels, and headers too damaged for libsndfile to do better:
  // the walk reads the first and explains what is wrong with the others.
  return RecordingReader::kWaveWalk;
}

RecordingReader ChooseRecordingReader(const std::string& path) {
  std::FILE* file = std::fopen(path.c_str(), "rb");
  if (file == nullptr) return RecordingReader::kWaveWalk;
  std::string head(kWaveHeaderScanBytes, '\0');
  head.resize(std::fread(head.data(), 1, head.size(), file));
  const bool readError = std::ferror(file) != 0;
  std::fclose(file);
  return readError ? RecordingReader::kWaveWalk : ReaderForHead(head);
}

}  // namespace tonvale
