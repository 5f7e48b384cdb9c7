#include "extraction/wave_recording_source.h"

#include <algorithm>

namespace tonvale {

int WaveRecordingSource::Open(MessageLog& log, const std::string& wavePath,
                              const WaveFmt_Data& format) {
  stereo_ = format.channels() == 2;
  return reader_.Open(log, wavePath, format);
}

int64_t WaveRecordingSource::Read(std::span<double> block) {
  const int64_t wanted = sampleCount();
  size_t filled = 0;
  const size_t stride = stereo_ ? 2 : 1;
  while (filled < block.size() && given_ < wanted) {
    if (used_ == decoded_.size()) {
      used_ = 0;
      if (!reader_.Next(decoded_)) return reader_.Failed() ? -1 : static_cast<int64_t>(filled);
    }
    if (stereo_ && index_ % 2 != 0) {  // the second channel
      ++used_;
      ++index_;
      continue;
    }
    const size_t count = std::min({(decoded_.size() - used_ + stride - 1) / stride,
                                   block.size() - filled, static_cast<size_t>(wanted - given_)});
    const int16_t* from = decoded_.data() + used_;
    double* to = block.data() + filled;
    // A constant stride in each loop lets the compiler widen several samples at once.
    if (stereo_) {
      for (size_t i = 0; i < count; ++i) to[i] = from[2 * i];
    } else {
      for (size_t i = 0; i < count; ++i) to[i] = from[i];
    }
    filled += count;
    given_ += static_cast<int64_t>(count);
    // The second channel of the last frame may lie in the next block of the data.
    const size_t next = std::min(used_ + count * stride, decoded_.size());
    index_ += static_cast<int64_t>(next - used_);
    used_ = next;
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
