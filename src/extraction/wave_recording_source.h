#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "app/message_log.h"
#include "extraction/recording_source.h"
#include "extraction/wave_header_report.h"
#include "extraction/wave_samples.h"

namespace tonvale {

// An 8- or 16-bit linear-PCM WAVE file as a recording source, by the values of its header
// report: the first channel of stereo (any other channel count is read as one interleaved
// channel), 8-bit samples widened to 16 bits. It gives the samples that the analysis takes,
// (mono byte count / bits) * 8 with the integer division first, and still reads the data to its
// end, so that the amplitude range covers every sample of the file.
class WaveRecordingSource : public RecordingSource {
 public:
  // 1, after "cannot open! wave file" or an "err: " line, when the file cannot be opened or
  // read, or holds another bit depth.
  int Open(MessageLog& log, const std::string& wavePath, const WaveFmt_Data& format);

  bool stereo() const { return stereo_; }
  int bits() const { return reader_.bits(); }
  // The data bytes read, and the byte count after the stereo fold.
  int64_t dataBytes() const { return reader_.dataBytes(); }
  int64_t monoBytes() const { return stereo_ ? dataBytes() / 2 : dataBytes(); }
  // The samples Read gives in all, unless the file ends early.
  int64_t sampleCount() const { return monoBytes() / bits() * 8; }

  int64_t Read(std::span<double> block) override;

  // The log lines of what was read, once Read has given 0: the widening of 8-bit data, the
  // amplitude range and, for stereo, the fold of the data bytes and of `dataRate`.
  void LogReading(MessageLog& log, int32_t dataRate) const;

 private:
  WaveSampleReader reader_;
  bool stereo_ = false;
  std::vector<int16_t> decoded_;
  size_t used_ = 0;    // of decoded_
  int64_t index_ = 0;  // of the next decoded sample in the whole data
  int64_t given_ = 0;  // samples given so far
};

}  // namespace tonvale
