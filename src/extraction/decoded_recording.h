#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>

#include "app/session.h"
#include "extraction/recording_source.h"
#include "extraction/sndfile_recording.h"

namespace tonvale {

// A recording that libsndfile decodes, as the analysis reads it: counted as 16-bit samples, two
// bytes a frame, so that its frame count, the samples taken and the log follow the rules of a
// 16-bit WAVE file and the same signal gives the same analysis in every format.
class DecodedRecordingSource final : public RecordingSource {
 public:
  // Opens the recording, logs which reader reads it and what it is, and writes its header
  // report. Null after the reason is logged (a recording without samples among them).
  static std::unique_ptr<DecodedRecordingSource> Open(Session& session, const std::string& path);

  const DecodedFormat& format() const { return recording_->format(); }
  int64_t monoBytes() const { return 2 * format().frames; }
  int bits() const { return 16; }
  // The samples the analysis takes: (bytes / bits) x 8, whole groups of eight.
  int64_t sampleCount() const { return monoBytes() / 16 * 8; }

  // Gives sampleCount() samples, then reads the rest of the recording (for its range and its
  // errors) before it gives 0.
  int64_t Read(std::span<double> block) override;

  // The log lines of what was read, once Read has given 0: the scaling, the channels left
  // out, samples that were not numbers, the amplitude range.
  void LogReading(MessageLog& log) const;

 private:
  explicit DecodedRecordingSource(std::unique_ptr<SndfileRecording> recording)
      : recording_(std::move(recording)) {}

  std::unique_ptr<SndfileRecording> recording_;
  int64_t given_ = 0;
};

}  // namespace tonvale
