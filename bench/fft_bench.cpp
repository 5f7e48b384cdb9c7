// The transforms of process 1: 4,096-point frame spectra (one per 10 ms frame) and the
// 32,768-point blocks of the anti-aliasing filter's overlap-add.
#include <benchmark/benchmark.h>

#include <random>
#include <vector>

#include "dsp/complex_fft.h"
#include "dsp/frame_spectrum_fft.h"
#include "dsp/real_fft.h"

namespace tonvale {
namespace {

std::vector<double> Noise(size_t n) {
  std::mt19937 random(3);
  std::uniform_real_distribution<double> value(-1.0, 1.0);
  std::vector<double> x(n);
  for (double& v : x) v = value(random);
  return x;
}

void BM_ComplexFft(benchmark::State& state) {
  const int n = static_cast<int>(state.range(0));
  ComplexFft plan;
  plan.Prepare(n);
  std::vector<double> re = Noise(static_cast<size_t>(n)), im = Noise(static_cast<size_t>(n));
  for (auto _ : state) {
    plan.Forward(re.data(), im.data());
    benchmark::DoNotOptimize(re.data());
  }
}
BENCHMARK(BM_ComplexFft)->Arg(2048)->Arg(4096)->Arg(16384);

void BM_RealFft(benchmark::State& state) {
  const int n = static_cast<int>(state.range(0));
  RealFft plan;
  plan.Prepare(n);
  std::vector<double> x = Noise(static_cast<size_t>(n));
  std::vector<double> re(static_cast<size_t>(n / 2 + 1)), im(re.size());
  for (auto _ : state) {
    plan.Forward(x.data(), re.data(), im.data());
    benchmark::DoNotOptimize(re.data());
  }
}
BENCHMARK(BM_RealFft)->Arg(4096)->Arg(32768);

// The inverse of the filter's overlap-add blocks.
void BM_RealFftInverse(benchmark::State& state) {
  const int n = static_cast<int>(state.range(0));
  RealFft plan;
  plan.Prepare(n);
  std::vector<double> re = Noise(static_cast<size_t>(n / 2 + 1)), im = re;
  std::vector<double> x(static_cast<size_t>(n));
  for (auto _ : state) {
    plan.Inverse(re.data(), im.data(), x.data());
    benchmark::DoNotOptimize(x.data());
  }
}
BENCHMARK(BM_RealFftInverse)->Arg(32768);

// A frame of 512 samples zero-padded to 4,096 points, as the default settings analyse it, and
// a block of the anti-aliasing filter's overlap-add at 44.1 kHz.
void BM_ZeroPaddedRealFft(benchmark::State& state) {
  const int n = static_cast<int>(state.range(0)), filled = static_cast<int>(state.range(1));
  RealFft plan;
  plan.Prepare(n);
  std::vector<double> x = Noise(static_cast<size_t>(filled));
  std::vector<double> re(static_cast<size_t>(n / 2 + 1)), im(re.size());
  for (auto _ : state) {
    plan.Forward(x.data(), re.data(), im.data(), filled);
    benchmark::DoNotOptimize(re.data());
  }
}
BENCHMARK(BM_ZeroPaddedRealFft)->Args({4096, 512})->Args({32768, 18149});

void BM_SpectrumFft(benchmark::State& state) {
  const int n = static_cast<int>(state.range(0));
  SpectrumFftCache cache;
  std::vector<double> re = Noise(static_cast<size_t>(n)), im(static_cast<size_t>(n));
  for (auto _ : state) {
    SpectrumFft(cache, n, re.data(), im.data());
    benchmark::DoNotOptimize(re.data());
  }
}
BENCHMARK(BM_SpectrumFft)->Arg(4096);

}  // namespace
}  // namespace tonvale
