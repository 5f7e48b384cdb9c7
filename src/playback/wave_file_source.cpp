#include "playback/wave_file_source.h"

#include <sndfile.h>

namespace tonvale {

std::unique_ptr<WaveFileSource> WaveFileSource::Open(const std::string& path, std::string& error) {
  SF_INFO info{};
  SNDFILE* file = sf_open(path.c_str(), SFM_READ, &info);
  if (file == nullptr) {
    error = sf_error_number(sf_error(nullptr));
    return nullptr;
  }
  if (info.samplerate <= 0 || info.channels <= 0) {
    sf_close(file);
    error = "the file declares no sample rate or no channels";
    return nullptr;
  }
  // Scale integer samples to -1 .. 1 whatever their width.
  sf_command(file, SFC_SET_NORM_FLOAT, nullptr, SF_TRUE);
  return std::unique_ptr<WaveFileSource>(
      new WaveFileSource(file, info.samplerate, info.channels, info.frames));
}

WaveFileSource::WaveFileSource(SNDFILE* file, int rate, int channels, std::int64_t frames)
    : file_(file), rate_(rate), channels_(channels), frames_(frames) {}

WaveFileSource::~WaveFileSource() {
  sf_close(file_);
}

int WaveFileSource::Read(float* out, int frames) {
  if (frames <= 0) return 0;
  // A read error mid-file ends the sound there, like the end of the data.
  const sf_count_t got = sf_readf_float(file_, out, frames);
  if (got <= 0) return 0;
  position_ += got;
  return static_cast<int>(got);
}

void WaveFileSource::Rewind() {
  if (sf_seek(file_, 0, SEEK_SET) == 0) position_ = 0;
}

}  // namespace tonvale
