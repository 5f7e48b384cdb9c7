#pragma once

#include <random>
#include <string>
#include <vector>

#include "extraction/peak_file.h"

namespace tonvale {

// A peak file of `frames` records at 10 ms with `peaksPerFrame` random peaks each.
inline std::string SyntheticPeakFile(int frames, int peaksPerFrame) {
  std::mt19937 random(7);
  std::uniform_real_distribution<float> frequency(20.0f, 5500.0f);
  std::uniform_real_distribution<float> level(10.0f, 75.0f);
  WorkFileHeader header{75.0, 10.0, 10, frames, "/music/take.wav"};
  std::string text;
  AppendWorkFileHeader(text, header);
  std::vector<float> f(static_cast<size_t>(peaksPerFrame)), l(f.size());
  for (int k = 1; k <= frames; ++k) {
    for (size_t i = 0; i < f.size(); ++i) {
      f[i] = frequency(random);
      l[i] = level(random);
    }
    AppendPeakRecord(text, 10 * k, f, l);
  }
  text += "end_of_file";
  return text;
}

}  // namespace tonvale
