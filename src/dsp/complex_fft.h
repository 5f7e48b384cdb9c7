#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace tonvale {

// A complex FFT of one power-of-two size on split arrays (real parts, imaginary parts), with its
// twiddle factors and bit-reversal permutation computed once by Prepare(). Radix-4 stages, one
// radix-2 stage first when log2(n) is odd. Both directions are unscaled:
//   forward  X[k] = sum_j x[j] e^(-2 pi i jk/n),  inverse  x[j] = sum_k X[k] e^(+2 pi i jk/n).
// The plan holds no buffers of its data, so one plan serves any number of arrays.
class ComplexFft {
 public:
  // False, with the plan empty, when n is not a power of two (1 is) or memory runs out.
  bool Prepare(int n);
  int size() const { return n_; }

  void Forward(double* re, double* im) const;
  void Inverse(double* re, double* im) const;

  // The same transforms on data already in bit-reversed order (element j at BitReversed(j)),
  // for callers that can permute while they copy their input. The forward transform may start
  // after its first `levelsDone` levels of radix-2 merging, the end of a stage (see below): a
  // caller whose input past n / 2^levelsDone is zero skips them by writing, in bit-reversed
  // order, each element 2^levelsDone times, which is what those levels would make of it.
  void ForwardFromBitReversed(double* re, double* im, int levelsDone = 0) const;
  void InverseFromBitReversed(double* re, double* im) const;
  // The forward transform of data whose first `levelsDone` levels of merging (at least 2, the
  // end of a stage) made only constant runs, as they make of input that is zero past
  // n / 2^levelsDone: run j of 2^levelsDone elements, in bit-reversed order, holds blockRe[j],
  // blockIm[j] (n / 2^levelsDone of each). Writes the transform to re, im; the same as writing
  // each value 2^levelsDone times and calling ForwardFromBitReversed, without the copies.
  void ForwardFromBlocks(const double* blockRe, const double* blockIm, int levelsDone, double* re,
                         double* im) const;
  // The most levels, up to `levels`, after which a stage ends.
  int StageBoundaryAtMost(int levels) const;
  uint32_t BitReversed(int j) const { return reversed_[static_cast<size_t>(j)]; }

 private:
  void Permute(double* re, double* im) const;
  template <bool kInverse>
  void Stages(double* re, double* im, int levelsDone) const;

  int n_ = 0;
  bool oddLog2_ = false;
  std::vector<uint32_t> reversed_;
  // For each radix-4 stage of quarter length L (L >= 4; the first stage has trivial twiddles),
  // the cosines and sines of 2 pi kj / 4L for k < L and j = 1, 2, 3, as six runs of L.
  std::vector<double> twiddles_;
};

}  // namespace tonvale
