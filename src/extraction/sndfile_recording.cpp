#include "extraction/sndfile_recording.h"

#include <sndfile.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include "app/numbers.h"

namespace tonvale {
namespace {

// Full scale of the 16-bit samples that the analysis thresholds are made for.
constexpr double kSixteenBitScale = 32768.0;
// Samples decoded in one call, all channels together: bounds the block buffer however many
// channels a file declares.
constexpr size_t kSamplesPerCall = size_t{1} << 18;

// libsndfile's name of one container or one encoding.
std::string FormatName(int format) {
  SF_FORMAT_INFO info{};
  info.format = format;
  if (sf_command(nullptr, SFC_GET_FORMAT_INFO, &info, sizeof info) != 0 || info.name == nullptr) {
    return Format("0x%06X", static_cast<unsigned>(format));
  }
  return info.name;
}

// Opens the file for reading; null after an "err: " line with libsndfile's reason.
SNDFILE* OpenOrSay(MessageLog& log, const std::string& path, SF_INFO& info) {
  info = SF_INFO{};
  SNDFILE* file = sf_open(path.c_str(), SFM_READ, &info);
  if (file == nullptr) {
    log.AppendLog("err: 録音ファイルとして読めません．" + path +
                  " (libsndfile: " + sf_strerror(nullptr) + ")");
  }
  return file;
}

}  // namespace

std::unique_ptr<SndfileRecording> SndfileRecording::Open(MessageLog& log, const std::string& path) {
  SF_INFO info;
  SNDFILE* file = OpenOrSay(log, path, info);
  if (file == nullptr) return nullptr;
  if (info.samplerate <= 0 || info.channels <= 0) {
    sf_close(file);
    log.AppendLog("err: サンプリングレートかチャンネル数のない録音ファイルです．" + path);
    return nullptr;
  }
  DecodedFormat format;
  format.container = FormatName(info.format & SF_FORMAT_TYPEMASK);
  format.encoding = FormatName(info.format & SF_FORMAT_SUBMASK);
  format.rate = info.samplerate;
  format.channels = info.channels;
  // An MPEG stream gives its length as an estimate, a cut Ogg stream none at all: those are
  // decoded once to count their frames, then opened again for the samples.
  const bool estimated = (info.format & SF_FORMAT_TYPEMASK) == SF_FORMAT_MPEG;
  if (estimated || info.frames < 0 || info.frames >= SF_COUNT_MAX) {
    std::unique_ptr<SndfileRecording> counter(new SndfileRecording(log, path, file, format));
    std::vector<double> block(4096);
    int64_t got = 0;
    while ((got = counter->Read(block)) > 0) {
    }
    if (got < 0) return nullptr;
    format.frames = counter->framesRead();
    counter.reset();
    file = OpenOrSay(log, path, info);
    if (file == nullptr) return nullptr;
  } else {
    format.frames = info.frames;
  }
  return std::unique_ptr<SndfileRecording>(
      new SndfileRecording(log, path, file, std::move(format)));
}

SndfileRecording::SndfileRecording(MessageLog& log, std::string path, SNDFILE* file,
                                   DecodedFormat format)
    : log_(log), path_(std::move(path)), file_(file), format_(std::move(format)) {
  // Integer samples come as fractions of their full scale, floating-point ones as they are.
  sf_command(file_, SFC_SET_NORM_DOUBLE, nullptr, SF_TRUE);
}

SndfileRecording::~SndfileRecording() {
  sf_close(file_);
}

int64_t SndfileRecording::Read(std::span<double> block) {
  if (failed_) return -1;
  if (block.empty()) return 0;
  const auto channels = static_cast<size_t>(format_.channels);
  const size_t want = std::min(block.size(), std::max<size_t>(1, kSamplesPerCall / channels));
  frames_.resize(want * channels);
  const sf_count_t got = sf_readf_double(file_, frames_.data(), static_cast<sf_count_t>(want));
  if (got < static_cast<sf_count_t>(want) && sf_error(file_) != SF_ERR_NO_ERROR) {
    return Fail(Format("(libsndfile: %s)", sf_strerror(file_)));
  }
  if (got <= 0) {
    // A file that ends before the frames it declares has lost its end.
    if (format_.frames >= 0 && framesRead_ < format_.frames) {
      return Fail(Format("(%lld / %lld frames)", static_cast<long long>(framesRead_),
                         static_cast<long long>(format_.frames)));
    }
    return 0;
  }
  for (size_t i = 0; i < static_cast<size_t>(got); ++i) {
    const double sample = frames_[i * channels] * kSixteenBitScale;
    if (std::isfinite(sample)) {
      block[i] = sample;
      mini_ = std::min(mini_, sample);
      maxi_ = std::max(maxi_, sample);
    } else {
      block[i] = 0.0;
      ++notNumbers_;
    }
  }
  framesRead_ += got;
  return got;
}

int64_t SndfileRecording::Fail(const std::string& reason) {
  failed_ = true;
  log_.AppendLog("err: 録音ファイルを最後まで読めません．" + path_ + " " + reason);
  return -1;
}

std::string SndfileRecording::LibraryVersion() {
  char version[128] = {};
  sf_command(nullptr, SFC_GET_LIB_VERSION, version, sizeof version);
  return version;
}

}  // namespace tonvale
