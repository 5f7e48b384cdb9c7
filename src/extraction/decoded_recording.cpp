#include "extraction/decoded_recording.h"

#include <algorithm>
#include <vector>

#include "app/numbers.h"
#include "extraction/decoded_header_report.h"

namespace tonvale {

std::unique_ptr<DecodedRecordingSource> DecodedRecordingSource::Open(Session& session,
                                                                     const std::string& path) {
  MessageLog& log = session.log;
  std::unique_ptr<SndfileRecording> recording = SndfileRecording::Open(log, path);
  if (!recording) return nullptr;
  const DecodedFormat& f = recording->format();
  log.AppendLog("..The recording is read with " + SndfileRecording::LibraryVersion() + ".");
  log.AppendLog("      " + f.container + ", " + f.encoding);
  log.AppendLog(Format("      %d [frames/sec], %d [channels], %lld [frames]", f.rate, f.channels,
                       static_cast<long long>(f.frames)));
  log.AppendLog("");
  if (WriteDecodedHeaderReport(session, path, f) != 0) return nullptr;
  log.AppendLog("..File header information was addressed to \"Wave_File_Format.txt\".");
  if (f.frames == 0) {
    log.AppendLog("err: 録音ファイルにサンプルがありません．" + path);
    return nullptr;
  }
  return std::unique_ptr<DecodedRecordingSource>(new DecodedRecordingSource(std::move(recording)));
}

int64_t DecodedRecordingSource::Read(std::span<double> block) {
  const int64_t left = sampleCount() - given_;
  if (left > 0) {
    const int64_t got =
        recording_->Read(block.first(static_cast<size_t>(std::min<int64_t>(left, block.size()))));
    if (got > 0) given_ += got;
    return got;
  }
  std::vector<double> rest(4096);
  int64_t got = 0;
  while ((got = recording_->Read(rest)) > 0) {
  }
  return got;
}

void DecodedRecordingSource::LogReading(MessageLog& log) const {
  log.AppendLog("");
  log.AppendLog("..Samples were brought to the 16-bit scale.");
  const int channels = format().channels;
  if (channels > 1) {
    log.AppendLog(Format("..Convert %d channels into mono: the first channel is kept.", channels));
  }
  if (recording_->samplesNotNumbers() > 0) {
    log.AppendLog(Format("..%lld samples that were not numbers were taken as 0.",
                         static_cast<long long>(recording_->samplesNotNumbers())));
  }
  log.AppendLog("");
  log.AppendLog(Format("      Amplitude is \"mini: %.0f\" and \"maxi: %.0f\".\n",
                       recording_->minimum(), recording_->maximum()));
}

}  // namespace tonvale
