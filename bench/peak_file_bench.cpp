// Parsing the peak file: a 3-minute recording gives about 18,000 frame records of up to a few
// hundred peaks each, so every later stage starts by reading millions of numbers.
#include <benchmark/benchmark.h>

#include <random>
#include <string>
#include <vector>

#include "app/numbers.h"
#include "extraction/peak_file.h"
#include "synthetic_peak_file.h"

namespace tonvale {
namespace {

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

// Frequencies and levels as the stages write them, each into a buffer with room for any number.
void BM_WriteFixed2(benchmark::State& state) {
  std::mt19937 random(3);
  std::uniform_real_distribution<double> frequency(20.0, 5500.0), level(-5.0, 75.0);
  std::vector<double> values(4096);
  for (size_t i = 0; i < values.size(); ++i) values[i] = i % 2 ? level(random) : frequency(random);
  std::vector<char> text(values.size() * 8 + kFixed2Room);
  for (auto _ : state) {
    char* out = text.data();
    for (double value : values) out = WriteFixed2(out, value);
    benchmark::DoNotOptimize(out);
  }
  state.SetItemsProcessed(static_cast<int64_t>(state.iterations()) *
                          static_cast<int64_t>(values.size()));
}
BENCHMARK(BM_WriteFixed2);

}  // namespace
}  // namespace tonvale
