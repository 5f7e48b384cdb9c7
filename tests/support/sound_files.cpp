#include "support/sound_files.h"

#include <gtest/gtest.h>
#include <sndfile.h>

#include <algorithm>
#include <cmath>

namespace tonvale::testing {

bool WriteSoundFile(const std::string& path, int sfFormat, int rate,
                    const std::vector<std::vector<double>>& channels) {
  SF_INFO info{};
  info.samplerate = rate;
  info.channels = static_cast<int>(channels.size());
  info.format = sfFormat;
  SNDFILE* file = sf_open(path.c_str(), SFM_WRITE, &info);
  if (file == nullptr) {
    ADD_FAILURE() << path << ": " << sf_strerror(nullptr);
    return false;
  }
  const size_t frames = channels.empty() ? 0 : channels[0].size();
  std::vector<double> interleaved(frames * channels.size());
  for (size_t i = 0; i < frames; ++i) {
    for (size_t c = 0; c < channels.size(); ++c) {
      interleaved[i * channels.size() + c] = channels[c][i];
    }
  }
  // The library scales doubles into integer formats by 2^(bits-1) - 1, which moves 16-bit
  // steps; as left-aligned 32-bit integers they are stored exactly.
  const int subtype = sfFormat & SF_FORMAT_SUBMASK;
  const bool integers = subtype == SF_FORMAT_PCM_S8 || subtype == SF_FORMAT_PCM_16 ||
                        subtype == SF_FORMAT_PCM_24 || subtype == SF_FORMAT_PCM_32 ||
                        subtype == SF_FORMAT_PCM_U8;
  sf_count_t written = 0;
  if (integers) {
    std::vector<int> scaled(interleaved.size());
    std::transform(interleaved.begin(), interleaved.end(), scaled.begin(), [](double x) {
      return static_cast<int>(std::clamp(std::lround(x * 2147483648.0), -2147483648L, 2147483647L));
    });
    written = sf_writef_int(file, scaled.data(), static_cast<sf_count_t>(frames));
  } else {
    written = sf_writef_double(file, interleaved.data(), static_cast<sf_count_t>(frames));
  }
  sf_close(file);
  EXPECT_EQ(written, static_cast<sf_count_t>(frames)) << path;
  return written == static_cast<sf_count_t>(frames);
}

std::vector<double> QuantiseTo16Bits(const std::vector<double>& signal) {
  std::vector<double> out(signal.size());
  std::transform(signal.begin(), signal.end(), out.begin(), [](double x) {
    return std::clamp(std::round(x * 32768.0), -32768.0, 32767.0) / 32768.0;
  });
  return out;
}

}  // namespace tonvale::testing
