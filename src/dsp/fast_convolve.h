#pragma once

#include <cstdint>
#include <functional>
#include <span>
#include <vector>

#include "dsp/real_fft.h"

namespace tonvale {

class WorkerPool;

// Receives the samples of a convolution in order, a run at a time; the run is valid only during
// the call.
using ConvolutionSink = std::function<void(std::span<const double> run)>;

// The linear convolution of a signal of L samples with the filter h, cut to the length of the
// signal and centred on the filter: y[j] = sum_k h[k] x[j + M/2 - k] for j < L, with x taken as 0
// outside its range. For an odd-length linear-phase filter this removes the filter's delay. Done
// by overlap-add, with the signal fed a run at a time and the result handed on as it completes,
// so that neither is ever held whole. With a worker pool the transforms of several blocks run at
// once; they are added up in block order all the same, so the result does not depend on the
// number of workers, nor on how the signal is cut into runs.
class StreamingConvolver {
 public:
  StreamingConvolver() = default;
  StreamingConvolver(const StreamingConvolver&) = delete;
  StreamingConvolver& operator=(const StreamingConvolver&) = delete;

  // Prepares for a signal of L samples with transforms of fftSize points (a power of two not
  // below the filter length). `pool` may be null (one thread); it must outlive the convolver.
  // False when memory runs out or the size cannot serve.
  bool Start(std::span<const double> h, size_t L, long long fftSize, WorkerPool* pool);
  // The next samples of the signal; whatever output they complete goes to `sink`.
  void Add(std::span<const double> run, const ConvolutionSink& sink);
  // After the last run: the rest of the output, up to L samples in all.
  void Finish(const ConvolutionSink& sink);

 private:
  // Transforms `count` blocks of B input samples (fewer for the last ones), adds them up in
  // order and hands on what they complete.
  void RunBlocks(size_t count, const ConvolutionSink& sink);

  size_t M_ = 0, L_ = 0, N_ = 0, B_ = 0, blocks_ = 0, batch_ = 1;
  WorkerPool* pool_ = nullptr;
  std::vector<double> hr_, hi_;  // the filter's spectrum, scaled by 1/N
  struct Scratch {
    RealFft fft;
    std::vector<double> re, im;
  };
  std::vector<Scratch> scratch_;           // one per worker
  std::vector<std::vector<double>> outs_;  // one per block of a batch
  std::vector<double> input_;              // received samples not yet in a block
  std::vector<double> pending_;            // full-convolution samples first .. first + N - 1
  std::vector<double> carried_;            // the previous block's pending_, B samples earlier
  size_t block_ = 0;                       // the next block
  size_t received_ = 0;
  size_t emitted_ = 0;  // output samples handed on so far
};

// The transform size for a filter of M taps and a signal of L samples: 2^Log2Ceil(2M) points,
// or 2^Log2Ceil(M + L - 1) when the signal is shorter than the filter.
long long FastConvolveSize(size_t M, size_t L);

}  // namespace tonvale
