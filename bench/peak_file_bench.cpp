// Parsing the peak file: a 3-minute recording gives about 18,000 frame records of up to a few
// hundred peaks each, so every later stage starts by reading millions of numbers.
#include <benchmark/benchmark.h>

#include <random>
#include <string>

#include "extraction/peak_file.h"

namespace tonvale {
namespace {

std::string SyntheticPeakFile(int frames, int peaksPerFrame) {
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

void BM_ReadPeakFile(benchmark::State& state) {
  const std::string text = SyntheticPeakFile(18000, static_cast<int>(state.range(0)));
  PeakTable table;
  for (auto _ : state) {
    InputStream in(text);
    benchmark::DoNotOptimize(ReadPeakFile(in, table));
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) *
                          static_cast<int64_t>(text.size()));
}
BENCHMARK(BM_ReadPeakFile)->Arg(20)->Arg(200)->Unit(benchmark::kMillisecond);

void BM_WritePeakRecords(benchmark::State& state) {
  for (auto _ : state) {
    benchmark::DoNotOptimize(SyntheticPeakFile(1800, 200));
  }
}
BENCHMARK(BM_WritePeakRecords)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace tonvale
