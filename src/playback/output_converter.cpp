#include "playback/output_converter.h"

#include <algorithm>
#include <cstddef>

namespace tonvale {
namespace {

constexpr int kBlockFrames = 1024;

}  // namespace

OutputConverter::OutputConverter(AudioSource& source, int outRate, int outChannels)
    : source_(source), map_(source.Channels(), outChannels) {
  if (source.SampleRate() != outRate) {
    resampler_.emplace(source.SampleRate(), outRate, source.Channels());
  }
  block_.resize(static_cast<size_t>(kBlockFrames) * map_.From());
}

void OutputConverter::Reset() {
  if (resampler_) resampler_->Reset();
  finished_ = false;
  rendered_ = 0;
}

void OutputConverter::Render(float* out, int frames) {
  const int channels = map_.To();
  int done = 0;
  while (done < frames && !finished_) {
    const int want = std::min(kBlockFrames, frames - done);
    const int got = resampler_ ? resampler_->Process(source_, block_.data(), want)
                               : source_.Read(block_.data(), want);
    const int valid = std::clamp(got, 0, want);
    map_.Apply(block_.data(), out + static_cast<std::ptrdiff_t>(done) * channels, valid);
    done += valid;
    rendered_ += valid;
    if (valid < want) finished_ = true;
  }
  std::fill(out + static_cast<std::ptrdiff_t>(done) * channels,
            out + static_cast<std::ptrdiff_t>(frames) * channels, 0.0f);
}

}  // namespace tonvale
