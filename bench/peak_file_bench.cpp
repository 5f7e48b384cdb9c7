// Parsing the peak file: a 3-minute recording gives about 18,000 frame records of up to a few
// hundred peaks each, so every later stage starts by reading millions of numbers.
#include <benchmark/benchmark.h>

#include <string>

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

}  // namespace
}  // namespace tonvale
