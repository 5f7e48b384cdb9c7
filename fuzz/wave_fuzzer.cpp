// The recording readers on arbitrary bytes: the header walk and its report, the read-back of
// the report, the sample decoding and the stereo fold on their own, the libsndfile decoder on
// the bytes named as an MP3 (the one format it finds by name rather than by signature), then
// the whole of process 1 on the bytes as a file in a scratch folder, which takes them to
// whichever reader they belong to, with small frames so that a run stays short.
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "app/input_stream.h"
#include "app/message_log.h"
#include "app/session.h"
#include "app/settings.h"
#include "extraction/peak_extraction.h"
#include "extraction/peak_file.h"
#include "extraction/recording_reader.h"
#include "extraction/sndfile_recording.h"
#include "extraction/wave_header_report.h"
#include "extraction/wave_samples.h"
#include "extraction/work_file.h"
#include "support/scratch_folder.h"

namespace {

using namespace tonvale;

void CheckHeaderParts(std::string_view bytes, const std::string& wavePath, WaveFmt_Data& format,
                      bool& reportRead) {
  WaveHeaderScanResult result;
  const std::string report = WaveHeaderReportText(bytes, wavePath, result);
  if (report.compare(0, 3, "/*\n") != 0) std::abort();
  MessageLog log;
  InputStream in(report);
  reportRead = ParseWaveHeaderReport(in, log, format) == 0;
  // A file that is not RIFF has no values, so its read-back always fails the count.
  if (result == WaveHeaderScanResult::kNotRiff && reportRead) std::abort();
}

void CheckDecoding(std::string_view bytes) {
  MessageLog log;
  for (int bits : {8, 16}) {
    std::vector<int16_t> samples;
    DecodeSamples({bytes.data(), bytes.size()}, bits, samples);
    const size_t expected = bits == 8 ? bytes.size() : bytes.size() / 2;
    if (samples.size() != expected) std::abort();
    int32_t rate = 88200;
    const int64_t monoBytes = LogStereoFold(log, static_cast<int64_t>(bytes.size()), rate);
    if (rate != 44100 || monoBytes != static_cast<int64_t>(bytes.size()) / 2) std::abort();
  }
}

// The decoder either refuses the file or gives finite samples until the end or an error, each
// refusal after an "err: " line. A file of a few kilobytes that decodes into tens of millions
// of frames would be a runaway decoder.
void CheckDecoder(const std::string& path) {
  MessageLog log;
  std::unique_ptr<SndfileRecording> recording = SndfileRecording::Open(log, path);
  auto refusedWithReason = [&log] {
    return !log.Lines().empty() && log.Lines().back().rfind("err: ", 0) == 0;
  };
  if (!recording) {
    if (!refusedWithReason()) std::abort();
    return;
  }
  std::vector<double> block(4096);
  int64_t frames = 0;
  for (;;) {
    const int64_t got = recording->Read(block);
    if (got < 0) {
      if (!refusedWithReason()) std::abort();
      return;
    }
    if (got == 0) break;
    if (got > static_cast<int64_t>(block.size())) std::abort();
    for (int64_t i = 0; i < got; ++i) {
      if (!std::isfinite(block[static_cast<size_t>(i)])) std::abort();
    }
    frames += got;
    if (frames > (int64_t{1} << 26)) std::abort();
  }
  if (recording->framesRead() != frames) std::abort();
}

// What a finished run of process 1 must have left: a peak file that ends with "end_of_file"
// and holds as many records as its header says.
void CheckPeakFile(const std::string& path) {
  const std::string bytes = fuzz::ReadBytes(path);
  if (bytes.size() < 11 || bytes.compare(bytes.size() - 11, 11, "end_of_file") != 0) std::abort();
  InputStream header(bytes);
  const WorkFileHeader h = ReadWorkFileHeader(header);
  InputStream records(bytes);
  PeakTable table;
  const int count = ReadPeakFile(records, table);
  if (count != h.LoopCount) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  const std::string& folder = fuzz::ScratchFolder("wave");
  const std::string wavePath = folder + "input.wav";

  WaveFmt_Data format;
  bool reportRead = false;
  CheckHeaderParts(bytes, wavePath, format, reportRead);
  CheckDecoding(bytes.substr(0, 4096));

  // A rate between 192 kHz and the 1 MHz limit is analysed as any other, but its filter of up
  // to 330,000 taps takes a tenth of a second: leave those to the unit tests.
  if (reportRead && format.samplingRate() > 192000 && format.samplingRate() <= 1000000) return 0;

  const std::string mp3Path = folder + "input.mp3";
  fuzz::WriteBytes(mp3Path, bytes);
  CheckDecoder(mp3Path);

  // The recording's own rate decides the filter's length whichever reader reads it.
  if (ReaderForHead(bytes.substr(0, kWaveHeaderScanBytes)) == RecordingReader::kSndfile) {
    MessageLog log;
    fuzz::WriteBytes(wavePath, bytes);
    const std::unique_ptr<SndfileRecording> recording = SndfileRecording::Open(log, wavePath);
    if (recording && recording->format().rate > 192000) return 0;
  }

  fuzz::WriteBytes(wavePath, bytes);
  const std::string peakPath = folder + kPeakFileName;
  fuzz::RemoveFile(peakPath);
  Session session(folder);
  session.settings = DefaultSettings();
  session.settings.FrameLength = 64;
  session.settings.VirtualLength = 128;
  session.settings.AdjacentShift = "30";
  const int result = PeakExtraction(session, wavePath);
  if (result != 0 && result != 1) std::abort();
  if (result == 1 && session.log.Lines().empty()) std::abort();
  if (result == 0) CheckPeakFile(peakPath);
  return 0;
}
