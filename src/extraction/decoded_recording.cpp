#include "extraction/decoded_recording.h"

#include <algorithm>
#include <limits>

#include "app/numbers.h"
#include "extraction/decoded_header_report.h"

namespace tonvale {

std::unique_ptr<SndfileRecording> OpenDecodedRecording(Session& session, const std::string& path) {
  MessageLog& log = session.log;
  std::unique_ptr<SndfileRecording> recording = SndfileRecording::Open(log, path);
  if (!recording) return nullptr;
  const DecodedFormat& f = recording->format();
  log.AppendLog("..The recording is read with " + SndfileRecording::LibraryVersion() + ".");
  log.AppendLog("      " + f.container + ", " + f.encoding);
  log.AppendLog(Format("      %d [frames/sec], %d [channels], %s [frames]", f.rate, f.channels,
                       f.frames >= 0 ? std::to_string(f.frames).c_str() : "unknown"));
  log.AppendLog("");
  if (WriteDecodedHeaderReport(session, path, f) != 0) return nullptr;
  log.AppendLog("..File header information was addressed to \"Wave_File_Format.txt\".");
  return recording;
}

bool ReadDecodedSamples(MessageLog& log, SndfileRecording& recording, std::vector<float>& samples) {
  const DecodedFormat& f = recording.format();
  samples.clear();
  // A declared length is a hint only: a damaged file may claim far more than it holds.
  samples.reserve(static_cast<size_t>(std::clamp<int64_t>(f.frames, 0, int64_t{1} << 24)));
  std::vector<double> block(size_t{1} << 16);
  double mini = std::numeric_limits<double>::infinity();
  double maxi = -mini;
  for (;;) {
    const int64_t got = recording.Read(block);
    if (got < 0) return false;
    if (got == 0) break;
    for (int64_t i = 0; i < got; ++i) {
      const double sample = block[static_cast<size_t>(i)];
      mini = std::min(mini, sample);
      maxi = std::max(maxi, sample);
      samples.push_back(static_cast<float>(sample));
    }
  }
  if (samples.empty()) {
    log.AppendLog("err: 録音ファイルにサンプルがありません．");
    return false;
  }
  log.AppendLog("");
  log.AppendLog("..Samples were brought to the 16-bit scale.");
  if (f.channels > 1) {
    log.AppendLog(
        Format("..Convert %d channels into mono: the first channel is kept.", f.channels));
  }
  if (recording.samplesNotNumbers() > 0) {
    log.AppendLog(Format("..%lld samples that were not numbers were taken as 0.",
                         static_cast<long long>(recording.samplesNotNumbers())));
  }
  log.AppendLog("");
  log.AppendLog(Format("      Amplitude is \"mini: %.0f\" and \"maxi: %.0f\".\n", mini, maxi));
  return true;
}

}  // namespace tonvale
