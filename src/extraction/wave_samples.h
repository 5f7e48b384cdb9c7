#pragma once

#include <cstdint>
#include <cstdio>
#include <span>
#include <string>
#include <vector>

#include "app/message_log.h"
#include "extraction/wave_header_report.h"

namespace tonvale {

// The number of data bytes that can be read: the claimed count (the report's signed value
// taken as the unsigned 32-bit field it was) limited to what the file holds after `offset`.
int64_t UsableDataBytes(int32_t claimedBytes, int64_t offset, int64_t fileSize);

// Widens little-endian sample bytes to 16-bit samples: 8-bit unsigned u becomes u * 257 - 32768
// (0 -> -32768, 128 -> 128, 255 -> 32767); 16-bit samples are taken as they are. Appends
// bytes.size() or bytes.size() / 2 samples; an odd last byte of 16-bit data is left out.
void DecodeSamples(std::span<const char> bytes, int bits, std::vector<int16_t>& samples);

// The sample data of a WAVE file read front to back a block at a time: from the header length
// (slot 9) on, the data bytes (slot 8) limited to what the file holds, 8 or 16 bits (slot 7),
// all channels interleaved as they lie. Keeps the amplitude range of every sample read.
class WaveSampleReader {
 public:
  WaveSampleReader() = default;
  WaveSampleReader(const WaveSampleReader&) = delete;
  WaveSampleReader& operator=(const WaveSampleReader&) = delete;
  ~WaveSampleReader();

  // Opens the file at its first sample. 1, after "cannot open! wave file" or an "err: " line,
  // when it cannot be opened or read, or holds another bit depth.
  int Open(MessageLog& log, const std::string& wavePath, const WaveFmt_Data& format);
  // The data bytes that will be read.
  int64_t dataBytes() const { return dataBytes_; }
  int bits() const { return bits_; }
  // The next samples, in place of what `samples` held; false, with none, at the end of the data
  // or after a read that failed part-way, which Failed() tells from the end and which has been
  // logged as "err: cannot read! <path> (<reason>)".
  bool Next(std::vector<int16_t>& samples);
  bool Failed() const { return failed_; }
  // The lines that tell what was read: the widening of 8-bit data and the amplitude range.
  void LogAmplitude(MessageLog& log) const;

 private:
  std::FILE* file_ = nullptr;
  MessageLog* log_ = nullptr;
  std::string path_;
  bool failed_ = false;
  int bits_ = 0;
  int64_t dataBytes_ = 0;
  int64_t left_ = 0;
  std::vector<char> chunk_;
  int mini_ = 32767;
  int maxi_ = -32768;
};

// The bookkeeping of the stereo fold: `dataRate` is halved and the mono byte count (half the
// data bytes) returned; both changes are logged.
int64_t LogStereoFold(MessageLog& log, int64_t dataBytes, int32_t& dataRate);

}  // namespace tonvale
