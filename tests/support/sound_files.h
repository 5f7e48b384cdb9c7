#pragma once

#include <string>
#include <vector>

namespace tonvale::testing {

// Writes a sound file with libsndfile: `channels` holds one signal per channel in -1 .. 1
// (16-bit samples are k / 32768 exactly, so every lossless format stores them unchanged).
// `sfFormat` is a libsndfile format: container | encoding. False, failing the test, when the
// library refuses.
bool WriteSoundFile(const std::string& path, int sfFormat, int rate,
                    const std::vector<std::vector<double>>& channels);

// The signal rounded to 16-bit steps, as k / 32768.
std::vector<double> QuantiseTo16Bits(const std::vector<double>& signal);

}  // namespace tonvale::testing
