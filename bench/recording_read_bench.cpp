// Reading a recording as process 1 does: 3 minutes of 44.1 kHz 16-bit stereo, folded to its
// first channel and widened to doubles a block of 65,536 samples at a time.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "app/message_log.h"
#include "extraction/wave_header_report.h"
#include "extraction/wave_recording_source.h"

namespace tonvale {
namespace {

constexpr int32_t kDataBytes = 180 * 44100 * 4;

// A plain 44-byte header and noise: the reader does not look at the values.
std::string MakeRecording() {
  const std::string path = std::filesystem::temp_directory_path().string() + "/tonvale-read.wav";
  std::FILE* file = std::fopen(path.c_str(), "wb");
  std::vector<char> bytes(44 + static_cast<size_t>(kDataBytes));
  std::mt19937 random(1);
  for (char& b : bytes) b = static_cast<char>(random());
  std::fwrite(bytes.data(), 1, bytes.size(), file);
  std::fclose(file);
  return path;
}

void BM_ReadThreeMinutesStereo(benchmark::State& state) {
  static const std::string path = MakeRecording();
  WaveFmt_Data format;
  // RIFF size, fmt size, PCM, channels, rate, byte rate, block size, bits, data bytes, header.
  format.slot = {kDataBytes + 36, 16, 1, 2, 44100, 176400, 4, 16, kDataBytes, 44};
  std::vector<double> block(size_t{1} << 16);
  for (auto _ : state) {
    MessageLog log;
    WaveRecordingSource source;
    source.Open(log, path, format);
    double sum = 0;
    for (int64_t n; (n = source.Read(block)) > 0;) sum += block[static_cast<size_t>(n - 1)];
    benchmark::DoNotOptimize(sum);
  }
}
BENCHMARK(BM_ReadThreeMinutesStereo)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace tonvale
