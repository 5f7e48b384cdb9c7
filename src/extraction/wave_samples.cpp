#include "extraction/wave_samples.h"

#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <limits>
#include <memory>
#include <new>

#include "app/input_stream.h"
#include "app/numbers.h"

namespace tonvale {

int64_t UsableDataBytes(int32_t claimedBytes, int64_t offset, int64_t fileSize) {
  if (offset < 0 || offset >= fileSize) return 0;
  return std::min<int64_t>(static_cast<uint32_t>(claimedBytes), fileSize - offset);
}

void DecodeSamples(std::span<const char> bytes, int bits, std::vector<int16_t>& samples) {
  if (bits == 8) {
    for (char b : bytes) {
      samples.push_back(static_cast<int16_t>(static_cast<unsigned char>(b) * 257 - 32768));
    }
  } else if (bits == 16) {
    for (size_t i = 0; i + 1 < bytes.size(); i += 2) {
      const auto lo = static_cast<uint16_t>(static_cast<unsigned char>(bytes[i]));
      const auto hi = static_cast<uint16_t>(static_cast<unsigned char>(bytes[i + 1]));
      samples.push_back(static_cast<int16_t>(static_cast<uint16_t>(lo | hi << 8)));
    }
  }
}

int ReadWaveSamples(MessageLog& log, const std::string& wavePath, const WaveFmt_Data& format,
                    std::vector<int16_t>& samples, int64_t& dataBytes, KeptSamples kept) {
  samples.clear();
  dataBytes = 0;
  const int bits = format.bitsPerSample();
  std::FILE* file = std::fopen(wavePath.c_str(), "rb");
  if (file == nullptr) {
    log.AppendLog("cannot open! wave file");
    return 1;
  }
  std::unique_ptr<std::FILE, int (*)(std::FILE*)> closer(file, std::fclose);
  if (bits != 8 && bits != 16) {
    log.AppendLog(
        Format("err: 量子化ビット数が %d bit の WAVE ファイルは解析できません"
               "（8bit か 16bit のみ）．",
               bits));
    return 1;
  }
  struct stat info;
  const int64_t fileSize = fstat(fileno(file), &info) == 0 ? info.st_size : 0;
  const int64_t offset = format.headerLength();
  dataBytes = UsableDataBytes(format.dataBytes(), offset, fileSize);
  const bool firstOfTwo = kept == KeptSamples::kFirstOfTwo;
  const int64_t decoded = bits == 8 ? dataBytes : dataBytes / 2;
  try {
    samples.reserve(static_cast<size_t>(firstOfTwo ? (decoded + 1) / 2 : decoded));
  } catch (const std::bad_alloc&) {
    log.AppendLog("err: 記憶領域が不足しています．");
    return 1;
  }
  if (dataBytes > 0 && std::fseek(file, static_cast<long>(offset), SEEK_SET) != 0) {
    log.AppendLog("cannot open! wave file");
    return 1;
  }
  // Chunks hold an even number of bytes, so a 16-bit sample never straddles two of them.
  std::vector<char> chunk(1 << 16);
  std::vector<int16_t> run;
  int mini = 32767;
  int maxi = -32768;
  size_t index = 0;  // of the next decoded sample
  int64_t left = dataBytes;
  while (left > 0) {
    const size_t want = static_cast<size_t>(std::min<int64_t>(left, 1 << 16));
    errno = 0;
    const size_t got = std::fread(chunk.data(), 1, want, file);
    // A short read is the end of the data only when no read error came first: the rest of a
    // recording on a failing disk must not turn into silence.
    if (got < want && std::ferror(file)) {
      log.AppendLog(CannotReadLine(wavePath, ReadErrorReason(errno)));
      return 1;
    }
    run.clear();
    DecodeSamples({chunk.data(), got}, bits, run);
    for (int16_t s : run) {
      mini = std::min<int>(mini, s);
      maxi = std::max<int>(maxi, s);
      if (!firstOfTwo || index % 2 == 0) samples.push_back(s);
      ++index;
    }
    left -= static_cast<int64_t>(got);
    if (got < want) break;
  }
  log.AppendLog("");
  if (bits == 8) {
    log.AppendLog("..Quantization bit rate is converted 8 into 16.");
    log.AppendLog("");
  }
  log.AppendLog(Format("      Amplitude is \"mini: %d\" and \"maxi: %d\".\n", mini, maxi));
  return 0;
}

int64_t FoldStereo(MessageLog& log, std::vector<int16_t>& samples, int64_t dataBytes,
                   int32_t& dataRate) {
  const size_t frames = (samples.size() + 1) / 2;
  for (size_t k = 0; k < frames; ++k) samples[k] = samples[2 * k];
  samples.resize(frames);
  samples.shrink_to_fit();
  return LogStereoFold(log, dataBytes, dataRate);
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
