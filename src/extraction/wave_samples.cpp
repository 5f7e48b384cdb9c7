#include "extraction/wave_samples.h"

#include <sys/stat.h>

#include <algorithm>
#include <bit>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>

#include "app/input_stream.h"
#include "app/numbers.h"

namespace tonvale {

int64_t UsableDataBytes(int32_t claimedBytes, int64_t offset, int64_t fileSize) {
  if (offset < 0 || offset >= fileSize) return 0;
  return std::min<int64_t>(static_cast<uint32_t>(claimedBytes), fileSize - offset);
}

void DecodeSamples(std::span<const char> bytes, int bits, std::vector<int16_t>& samples) {
  const size_t first = samples.size();
  if (bits == 8) {
    samples.resize(first + bytes.size());
    int16_t* out = samples.data() + first;
    for (size_t i = 0; i < bytes.size(); ++i) {
      out[i] = static_cast<int16_t>(static_cast<unsigned char>(bytes[i]) * 257 - 32768);
    }
  } else if (bits == 16) {
    const size_t count = bytes.size() / 2;
    samples.resize(first + count);
    int16_t* out = samples.data() + first;
    if constexpr (std::endian::native == std::endian::little) {
      if (count != 0) std::memcpy(out, bytes.data(), 2 * count);  // no null pointers for none
      return;
    }
    for (size_t i = 0; i < count; ++i) {
      const auto lo = static_cast<uint16_t>(static_cast<unsigned char>(bytes[2 * i]));
      const auto hi = static_cast<uint16_t>(static_cast<unsigned char>(bytes[2 * i + 1]));
      out[i] = static_cast<int16_t>(static_cast<uint16_t>(lo | hi << 8));
    }
  }
}

WaveSampleReader::~WaveSampleReader() {
  if (file_ != nullptr) std::fclose(file_);
}

int WaveSampleReader::Open(MessageLog& log, const std::string& wavePath,
                           const WaveFmt_Data& format) {
  bits_ = format.bitsPerSample();
  log_ = &log;
  path_ = wavePath;
  file_ = std::fopen(wavePath.c_str(), "rb");
  if (file_ == nullptr) {
    log.AppendLog("cannot open! wave file");
    return 1;
  }
  if (bits_ != 8 && bits_ != 16) {
    log.AppendLog(
        Format("err: 量子化ビット数が %d bit の WAVE ファイルは解析できません"
               "（8bit か 16bit のみ）．",
               bits_));
    return 1;
  }
  struct stat info;
  const int64_t fileSize = fstat(fileno(file_), &info) == 0 ? info.st_size : 0;
  const int64_t offset = format.headerLength();
  dataBytes_ = UsableDataBytes(format.dataBytes(), offset, fileSize);
  left_ = dataBytes_;
  if (dataBytes_ > 0 && std::fseek(file_, static_cast<long>(offset), SEEK_SET) != 0) {
    log.AppendLog("cannot open! wave file");
    return 1;
  }
  chunk_.resize(1 << 16);
  return 0;
}

bool WaveSampleReader::Next(std::vector<int16_t>& samples) {
  samples.clear();
  // Chunks hold an even number of bytes, so a 16-bit sample never straddles two of them.
  while (samples.empty() && left_ > 0) {
    const size_t want = static_cast<size_t>(std::min<int64_t>(left_, 1 << 16));
    errno = 0;
    const size_t got = std::fread(chunk_.data(), 1, want, file_);
    // A short read is the end of the data only when no read error came first: the rest of a
    // recording on a failing disk must not turn into silence.
    if (got < want && std::ferror(file_)) {
      log_->AppendLog(CannotReadLine(path_, ReadErrorReason(errno)));
      failed_ = true;
      left_ = 0;
      samples.clear();
      return false;
    }
    DecodeSamples({chunk_.data(), got}, bits_, samples);
    left_ = got < want ? 0 : left_ - static_cast<int64_t>(got);
  }
  // In 16 bits the extremes take one vector instruction per eight samples.
  int16_t low = INT16_MAX, high = INT16_MIN;
  for (int16_t s : samples) {
    low = std::min(low, s);
    high = std::max(high, s);
  }
  mini_ = std::min<int>(mini_, low);
  maxi_ = std::max<int>(maxi_, high);
  return !samples.empty();
}

void WaveSampleReader::LogAmplitude(MessageLog& log) const {
  log.AppendLog("");
  if (bits_ == 8) {
    log.AppendLog("..Quantization bit rate is converted 8 into 16.");
    log.AppendLog("");
  }
  log.AppendLog(Format("      Amplitude is \"mini: %d\" and \"maxi: %d\".\n", mini_, maxi_));
}

int64_t LogStereoFold(MessageLog& log, int64_t dataBytes, int32_t& dataRate) {
  dataRate /= 2;
  const int64_t monoBytes = dataBytes / 2;
  log.AppendLog("");
  log.AppendLog("..Convert stereo into mono");
  log.AppendLog(Format("%lld [bytes] -> %lld [bytes]", static_cast<long long>(2 * monoBytes),
                       static_cast<long long>(monoBytes)));
  log.AppendLog(Format("%ld [[bytes/frame] -> %ld[ [bytes/frame]", 2L * dataRate,
                       static_cast<long>(dataRate)));
  return monoBytes;
}

}  // namespace tonvale
