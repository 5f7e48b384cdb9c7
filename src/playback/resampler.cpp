#include "playback/resampler.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace tonvale {
namespace {

constexpr int kZeroCrossings = 16;
constexpr int kKernelSteps = 256;  // kernel samples per zero crossing
constexpr double kKaiserBeta = 8.0;
constexpr double kPassband = 0.95;
constexpr int kPullFrames = 1024;
constexpr std::int64_t kCompactFrames = 8192;

// Modified Bessel function of the first kind, order zero, by its power series.
double BesselI0(double x) {
  double sum = 1.0;
  double term = 1.0;
  for (int k = 1; k < 50; ++k) {
    term *= (x / (2.0 * k)) * (x / (2.0 * k));
    sum += term;
    if (term < sum * 1e-17) break;
  }
  return sum;
}

}  // namespace

Resampler::Resampler(int inRate, int outRate, int channels)
    : inRate_(std::max(inRate, 1)),
      outRate_(std::max(outRate, 1)),
      channels_(std::max(channels, 1)),
      cutoff_(kPassband * std::min(1.0, static_cast<double>(outRate_) / inRate_)),
      halfWidth_(static_cast<int>(std::ceil(kZeroCrossings / cutoff_))) {
  const int size = kZeroCrossings * kKernelSteps;
  kernel_.assign(size + 2, 0.0f);  // the zeros past the end serve the interpolation
  const double norm = BesselI0(kKaiserBeta);
  for (int i = 0; i < size; ++i) {
    const double u = static_cast<double>(i) / kKernelSteps;
    const double sinc = i == 0 ? 1.0 : std::sin(std::numbers::pi * u) / (std::numbers::pi * u);
    const double r = u / kZeroCrossings;
    kernel_[i] = static_cast<float>(sinc * BesselI0(kKaiserBeta * std::sqrt(1.0 - r * r)) / norm);
  }
  weights_.resize(2 * static_cast<size_t>(halfWidth_));
  Reset();
}

void Resampler::Reset() {
  // Silence before the first frame, so that the first output frame can be centred on it.
  history_.assign(static_cast<size_t>(halfWidth_) * channels_, 0.0f);
  historyFrames_ = halfWidth_;
  pos_ = halfWidth_;
  frac_ = 0;
  ended_ = false;
  inputFrames_ = 0;
  outputFrames_ = 0;
}

void Resampler::Fill(AudioSource& source) {
  const std::int64_t first = pos_ - halfWidth_ + 1;
  if (first >= kCompactFrames) {
    history_.erase(history_.begin(), history_.begin() + first * channels_);
    historyFrames_ -= first;
    pos_ -= first;
  }
  const std::int64_t needed = pos_ + halfWidth_ + 1;
  if (ended_) {
    // Past the end the input is silence.
    historyFrames_ = std::max(historyFrames_, needed);
    history_.resize(historyFrames_ * channels_, 0.0f);
    return;
  }
  const std::int64_t frames = std::max<std::int64_t>(kPullFrames, needed - historyFrames_);
  history_.resize((historyFrames_ + frames) * channels_);
  const int got = std::max(
      0, source.Read(history_.data() + historyFrames_ * channels_, static_cast<int>(frames)));
  historyFrames_ += got;
  inputFrames_ += got;
  history_.resize(historyFrames_ * channels_);
  if (got < frames) ended_ = true;
}

void Resampler::ComputeWeights() {
  const double phase = static_cast<double>(frac_) / outRate_;
  const double scale = cutoff_ * kKernelSteps;
  const int limit = kZeroCrossings * kKernelSteps;
  double sum = 0.0;
  for (int m = 0; m < 2 * halfWidth_; ++m) {
    // Distance in input frames from the output time to tap m.
    const double t = std::abs(static_cast<double>(halfWidth_ - 1 - m) + phase);
    const double u = t * scale;
    const int index = static_cast<int>(u);
    float w = 0.0f;
    if (index < limit) {
      const float f = static_cast<float>(u - index);
      w = kernel_[index] + f * (kernel_[index + 1] - kernel_[index]);
    }
    weights_[m] = w;
    sum += w;
  }
  const float gain = sum != 0.0 ? static_cast<float>(1.0 / sum) : 0.0f;
  for (float& w : weights_) w *= gain;
}

int Resampler::Process(AudioSource& source, float* out, int frames) {
  int produced = 0;
  while (produced < frames) {
    if (ended_ && outputFrames_ * inRate_ >= inputFrames_ * outRate_) break;
    if (pos_ + halfWidth_ >= historyFrames_) {
      Fill(source);
      continue;
    }
    ComputeWeights();
    const float* in = history_.data() + (pos_ - halfWidth_ + 1) * channels_;
    float* frame = out + static_cast<std::ptrdiff_t>(produced) * channels_;
    for (int c = 0; c < channels_; ++c) {
      float acc = 0.0f;
      for (int m = 0; m < 2 * halfWidth_; ++m) acc += weights_[m] * in[m * channels_ + c];
      frame[c] = acc;
    }
    ++produced;
    ++outputFrames_;
    frac_ += inRate_;
    pos_ += frac_ / outRate_;
    frac_ %= outRate_;
  }
  return produced;
}

}  // namespace tonvale
