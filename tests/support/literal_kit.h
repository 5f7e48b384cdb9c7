#pragma once

// Straightforward versions of the reworked routines of the numeric kit and of process 1, written
// as the routines are defined step by step (recurrence twiddles, every bin's level, every pair of
// peaks compared). The tests hold the fast versions against these.

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "app/settings.h"

namespace tonvale::literal {

// Radix-2 decimation in time with the twiddle made by repeated multiplication by the stage root.
// Forward unscaled; inverse scaled by 1/n. 0 for a size that is not a power of two.
int Fft(double* re, double* im, int n, bool inverse);

// Overlap-add exactly as defined: an accumulator of M + L - 1 samples, then the centred cut.
std::vector<double> FastConvolve(std::span<const double> h, std::span<const double> x);

// Direct convolution, y[j] = sum_k h[k] x[j + M/2 - k], in long double.
std::vector<double> DirectConvolve(std::span<const double> h, std::span<const double> x);

// The table-driven transform with its sine table built by recurrence: forward (n > 0) scaled by
// 1/n, inverse (n < 0) unscaled.
class SpectrumFft {
 public:
  void Transform(int n, double* x, double* y);

 private:
  int size_ = 0;
  std::vector<double> sine_;
  std::vector<int> reversed_;
};

// DownSample with the literal convolution.
std::vector<double> DownSample(std::span<const int16_t> samples, double rateIn, double rateOut);

// The frame loop of process 1 on an analysis signal, with the window routine applied to every
// frame and the level of every bin: the records ("label: f l ... end\n", one per frame) and the
// level range. Windows by name; an unknown name gives no records.
struct FrameLoopResult {
  std::string records;
  double MaxdB = -1000.0;
  double MindB = 1000.0;
};
FrameLoopResult FrameLoop(std::span<const double> signal, const Settings& settings,
                          int64_t loopCount);

// The rewritten peak file of proposed method 1 from the text of a peak file, comparing every
// peak of frame i with every peak of frame i + R.
std::string ProposedMethod1(const std::string& peakFile, const Settings& settings);

}  // namespace tonvale::literal
