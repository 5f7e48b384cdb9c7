// The audio callback converts every file whose rate the output does not take; this shows how
// small a share of real time that costs.
#include <benchmark/benchmark.h>

#include <cmath>
#include <numbers>
#include <vector>

#include "playback/audio_source.h"
#include "playback/resampler.h"

namespace {

// An endless tone, so that only the conversion is measured.
class ToneSource final : public tonvale::AudioSource {
 public:
  ToneSource(int rate, int channels) : rate_(rate), channels_(channels) {}
  int SampleRate() const override { return rate_; }
  int Channels() const override { return channels_; }
  int Read(float* out, int frames) override {
    for (int f = 0; f < frames; ++f, ++n_) {
      const float v =
          static_cast<float>(0.5 * std::sin(2.0 * std::numbers::pi * 440.0 * n_ / rate_));
      for (int c = 0; c < channels_; ++c) out[f * channels_ + c] = v;
    }
    return frames;
  }
  void Rewind() override { n_ = 0; }

 private:
  int rate_;
  int channels_;
  long n_ = 0;
};

// One second of output per iteration, in the callback's blocks of 1024 frames.
void BM_Resample(benchmark::State& state) {
  const int inRate = static_cast<int>(state.range(0));
  const int outRate = static_cast<int>(state.range(1));
  const int channels = static_cast<int>(state.range(2));
  ToneSource source(inRate, channels);
  tonvale::Resampler resampler(inRate, outRate, channels);
  std::vector<float> block(1024 * channels);
  for (auto _ : state) {
    for (int done = 0; done < outRate; done += 1024) {
      resampler.Process(source, block.data(), 1024);
    }
    benchmark::DoNotOptimize(block.data());
  }
  // Seconds of sound converted per second of work: the real-time factor.
  state.counters["x_realtime"] =
      benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_Resample)
    ->Args({44100, 48000, 2})
    ->Args({48000, 44100, 2})
    ->Args({22050, 48000, 1})
    ->Args({96000, 44100, 2})
    ->Unit(benchmark::kMillisecond);

}  // namespace
