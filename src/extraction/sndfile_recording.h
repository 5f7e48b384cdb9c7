#pragma once

#include <cstdint>
#include <limits>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "app/message_log.h"
#include "extraction/recording_source.h"

struct sf_private_tag;

namespace tonvale {

// What libsndfile found in a recording, in its own words and numbers.
struct DecodedFormat {
  std::string container;  // "FLAC (Free Lossless Audio Codec)", "WAV (Microsoft)" ...
  std::string encoding;   // "Signed 24 bit PCM", "32 bit float", "MPEG Layer III" ...
  int rate = 0;           // frames per second
  int channels = 0;
  // As the file declares them or, where it does not say or only estimates (MP3, a cut Ogg
  // stream), as a first pass decodes them.
  int64_t frames = 0;
};

// A recording decoded by libsndfile: any container and encoding the library reads. A file that
// ends before the frames it declares fails the read that finds its end. Integer
// samples are scaled by 32768 / 2^(bits - 1) and floating-point ones (full scale 1.0) by 32768,
// so a 16-bit signal comes out as the integers it was whatever it was stored as. Only the first
// channel is delivered. A sample that is not a finite number comes out as 0.
class SndfileRecording final : public RecordingSource {
 public:
  // Null after an "err: " line naming the file and libsndfile's reason.
  static std::unique_ptr<SndfileRecording> Open(MessageLog& log, const std::string& path);

  ~SndfileRecording() override;
  SndfileRecording(const SndfileRecording&) = delete;
  SndfileRecording& operator=(const SndfileRecording&) = delete;

  const DecodedFormat& format() const { return format_; }
  int64_t Read(std::span<double> block) override;

  // Frames delivered so far, how many of their samples were not finite numbers, and the
  // range of the others (+inf and -inf before the first).
  int64_t framesRead() const { return framesRead_; }
  int64_t samplesNotNumbers() const { return notNumbers_; }
  double minimum() const { return mini_; }
  double maximum() const { return maxi_; }

  // "libsndfile-1.2.0", the decoder that the log and the header report name.
  static std::string LibraryVersion();

 private:
  SndfileRecording(MessageLog& log, std::string path, sf_private_tag* file, DecodedFormat format);
  int64_t Fail(const std::string& reason);

  MessageLog& log_;
  std::string path_;
  sf_private_tag* file_;
  DecodedFormat format_;
  std::vector<double> frames_;  // one block of interleaved frames
  int64_t framesRead_ = 0;
  int64_t notNumbers_ = 0;
  double mini_ = std::numeric_limits<double>::infinity();
  double maxi_ = -std::numeric_limits<double>::infinity();
  bool failed_ = false;
};

}  // namespace tonvale
