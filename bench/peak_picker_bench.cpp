// The spectral peaks of process 1's frames: 512 samples of a chord with partials and a little
// noise, Hamming-windowed and zero-padded to 4,096 points, frame after frame 110 samples apart.
#include <benchmark/benchmark.h>

#include <cmath>
#include <numbers>
#include <random>
#include <string>
#include <vector>

#include "dsp/analysis_windows.h"
#include "extraction/peak_picker.h"

namespace tonvale {
namespace {

std::vector<double> Chord(size_t n) {
  std::mt19937 random(5);
  std::uniform_real_distribution<double> noise(-1e-3, 1e-3);
  std::vector<double> x(n);
  for (size_t i = 0; i < n; ++i) {
    double v = noise(random);
    for (double f0 : {130.81, 164.81, 196.0, 523.25}) {
      for (int h = 1; h <= 4; ++h) {
        v += 0.1 / h * std::sin(2 * std::numbers::pi * f0 * h * static_cast<double>(i) / 11025.0);
      }
    }
    x[i] = v;
  }
  return x;
}

void BM_AnalyseFrame(benchmark::State& state) {
  const std::vector<double> signal = Chord(11025);
  AnalysisWindow window;
  window.Select("ハミング窓", 512);
  SpectralPeakPicker picker;
  picker.Prepare(512, 4096, 10.0);
  std::string out;
  LevelRange range;
  int64_t start = 0;
  for (auto _ : state) {
    out.clear();
    picker.AnalyseFrame(signal, start, window, out, range);
    benchmark::DoNotOptimize(out.data());
    start = (start + 110) % 10000;
  }
}
BENCHMARK(BM_AnalyseFrame);

}  // namespace
}  // namespace tonvale
