#include "playback/channel_map.h"

#include <algorithm>
#include <cstddef>

namespace tonvale {

ChannelMap::ChannelMap(int from, int to)
    : from_(std::max(from, 1)), to_(std::max(to, 1)), gains_(from_ * to_, 0.0f) {
  if (to_ == 1) {
    for (int in = 0; in < from_; ++in) gains_[in] = 1.0f / from_;
  } else if (from_ == 1) {
    gains_[0 * from_] = 1.0f;
    gains_[1 * from_] = 1.0f;
  } else {
    for (int c = 0; c < std::min(from_, to_); ++c) gains_[c * from_ + c] = 1.0f;
  }
}

void ChannelMap::Apply(const float* in, float* out, int frames) const {
  if (from_ == to_) {
    std::copy(in, in + static_cast<std::ptrdiff_t>(frames) * from_, out);
    return;
  }
  for (int f = 0; f < frames; ++f) {
    const float* src = in + static_cast<std::ptrdiff_t>(f) * from_;
    float* dst = out + static_cast<std::ptrdiff_t>(f) * to_;
    for (int o = 0; o < to_; ++o) {
      const float* row = gains_.data() + o * from_;
      float acc = 0.0f;
      for (int i = 0; i < from_; ++i) acc += row[i] * src[i];
      dst[o] = acc;
    }
  }
}

}  // namespace tonvale
