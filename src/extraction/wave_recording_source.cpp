#include "extraction/wave_recording_source.h"

namespace tonvale {

int WaveRecordingSource::Open(MessageLog& log, const std::string& wavePath,
                              const WaveFmt_Data& format) {
  stereo_ = format.channels() == 2;
  return reader_.Open(log, wavePath, format);
}

int64_t WaveRecordingSource::Read(std::span<double> block) {
  const int64_t wanted = sampleCount();
  size_t filled = 0;
  while (filled < block.size() && given_ < wanted) {
    if (used_ == decoded_.size()) {
      used_ = 0;
      if (!reader_.Next(decoded_)) return reader_.Failed() ? -1 : static_cast<int64_t>(filled);
    }
    for (; used_ < decoded_.size() && filled < block.size() && given_ < wanted; ++used_) {
      if (!stereo_ || index_++ % 2 == 0) {
        block[filled++] = decoded_[used_];
        ++given_;
      }
    }
  }
  if (given_ == wanted) {
    // The few samples past the analysed ones still count for the amplitude range.
    while (reader_.Next(decoded_)) {
    }
    decoded_.clear();
    used_ = 0;
    if (reader_.Failed()) return -1;
  }
  return static_cast<int64_t>(filled);
}

void WaveRecordingSource::LogReading(MessageLog& log, int32_t dataRate) const {
  reader_.LogAmplitude(log);
  if (stereo_) LogStereoFold(log, dataBytes(), dataRate);
}

}  // namespace tonvale
