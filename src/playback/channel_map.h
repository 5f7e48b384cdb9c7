#pragma once

#include <vector>

namespace tonvale {

// Turns frames of one channel count into frames of another. Equal counts pass unchanged;
// mono goes to the first two output channels (left and right); any count goes to mono as the
// mean of its channels; otherwise channel i feeds channel i, extra input channels are dropped
// and extra output channels stay silent.
class ChannelMap {
 public:
  ChannelMap(int from, int to);

  int From() const { return from_; }
  int To() const { return to_; }
  // The weight of input channel `in` in output channel `out`.
  float Gain(int out, int in) const { return gains_[out * from_ + in]; }

  // `in` holds frames of From() channels, `out` receives frames of To() channels.
  void Apply(const float* in, float* out, int frames) const;

 private:
  int from_;
  int to_;
  std::vector<float> gains_;  // to_ rows of from_ weights
};

}  // namespace tonvale
