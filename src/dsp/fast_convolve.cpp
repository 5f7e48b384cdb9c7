#include "dsp/fast_convolve.h"

#include <algorithm>
#include <cstdio>

#include "dsp/double_array.h"
#include "dsp/fft.h"
#include "dsp/real_fft.h"

namespace tonvale {
namespace {

template <typename Sample>
bool OverlapAdd(std::span<const double> h, std::span<const Sample> x, long long fftSize,
                const ConvolutionSink& sink) {
  const size_t M = h.size();
  const size_t L = x.size();
  auto fail = [] {
    std::fputs("Can't malloc\n", stderr);
    return false;
  };
  if (L == 0) return true;
  if (M == 0) {
    // No filter: every output sample is 0.
    std::vector<double> zeros;
    if (!TryAssign(zeros, std::min<size_t>(L, 1 << 16))) return fail();
    for (size_t done = 0; done < L; done += zeros.size()) {
      sink(std::span<const double>(zeros).first(std::min(zeros.size(), L - done)));
    }
    return true;
  }
  if (fftSize < static_cast<long long>(M) || fftSize > (1LL << 30)) return fail();
  const int N = static_cast<int>(fftSize);
  const size_t B = static_cast<size_t>(N) - M + 1;  // new samples per block
  const int bins = N / 2 + 1;
  RealFft fft;
  std::vector<double> hr, hi, xr, xi, block, pending;
  if (!fft.Prepare(N) || !TryAssign(hr, static_cast<size_t>(bins)) ||
      !TryAssign(hi, static_cast<size_t>(bins)) || !TryAssign(xr, static_cast<size_t>(bins)) ||
      !TryAssign(xi, static_cast<size_t>(bins)) || !TryAssign(block, static_cast<size_t>(N)) ||
      !TryAssign(pending, static_cast<size_t>(N))) {
    return fail();
  }
  // The filter's spectrum carries the 1/N of the inverse transform (an exact power of two).
  std::copy(h.begin(), h.end(), block.begin());
  fft.Forward(block.data(), hr.data(), hi.data());
  const double scale = 1.0 / N;
  for (int k = 0; k < bins; ++k) {
    hr[static_cast<size_t>(k)] *= scale;
    hi[static_cast<size_t>(k)] *= scale;
  }
  // Output sample t of the full convolution (length M + L - 1) is y[t - M/2]. `pending` holds
  // full-convolution samples first .. first + N - 1 as the blocks add up into them, each
  // starting from 0 and taking the blocks in order; those before the next block's first sample
  // are complete and go to the sink.
  const size_t delay = M / 2;
  const size_t blocks = std::max<size_t>(1, (L + B - 1) / B);
  size_t emitted = 0;  // y samples handed on so far
  for (size_t b = 0; b < blocks; ++b) {
    const size_t first = b * B;
    const size_t count = first < L ? std::min(B, L - first) : 0;
    for (size_t i = 0; i < count; ++i) block[i] = static_cast<double>(x[first + i]);
    std::fill(block.begin() + static_cast<std::ptrdiff_t>(count), block.end(), 0.0);
    fft.Forward(block.data(), xr.data(), xi.data());
    for (size_t k = 0; k < static_cast<size_t>(bins); ++k) {
      const double ar = xr[k], ai = xi[k];
      xr[k] = ar * hr[k] - ai * hi[k];
      xi[k] = ar * hi[k] + ai * hr[k];
    }
    fft.Inverse(xr.data(), xi.data(), block.data());
    for (size_t k = 0; k < static_cast<size_t>(N); ++k) pending[k] += block[k];

    const bool last = b + 1 == blocks;
    const size_t complete = first + (last ? static_cast<size_t>(N) : B);
    const size_t end = complete > delay ? std::min(complete - delay, L) : 0;
    if (end > emitted) {
      sink(std::span<const double>(pending).subspan(emitted + delay - first, end - emitted));
      emitted = end;
    }
    std::copy(pending.begin() + static_cast<std::ptrdiff_t>(B), pending.end(), pending.begin());
    std::fill(pending.end() - static_cast<std::ptrdiff_t>(B), pending.end(), 0.0);
  }
  return true;
}

template <typename Sample>
bool ConvolveInto(std::span<const double> h, std::span<const Sample> x, long long fftSize,
                  std::vector<double>& y) {
  std::vector<double>().swap(y);
  if (!TryReserve(y, x.size())) {
    std::fputs("Can't malloc\n", stderr);
    return false;
  }
  const bool ok = OverlapAdd(h, x, fftSize, [&y](std::span<const double> run) {
    y.insert(y.end(), run.begin(), run.end());
  });
  if (!ok) std::vector<double>().swap(y);
  return ok;
}

}  // namespace

long long FastConvolveSize(size_t M, size_t L) {
  const long long m = static_cast<long long>(M);
  const long long l = static_cast<long long>(L);
  return 1LL << (l < m ? Log2Ceil(m + l - 1) : Log2Ceil(2 * m));
}

bool FastConvolve(std::span<const double> h, std::span<const double> x, std::vector<double>& y) {
  return ConvolveInto(h, x, FastConvolveSize(h.size(), x.size()), y);
}

bool FastConvolve(std::span<const double> h, std::span<const int16_t> x, std::vector<double>& y) {
  return ConvolveInto(h, x, FastConvolveSize(h.size(), x.size()), y);
}

bool FastConvolveStream(std::span<const double> h, std::span<const int16_t> x,
                        const ConvolutionSink& sink) {
  return OverlapAdd(h, x, FastConvolveSize(h.size(), x.size()), sink);
}

bool FastConvolveStream(std::span<const double> h, std::span<const float> x,
                        const ConvolutionSink& sink) {
  return OverlapAdd(h, x, FastConvolveSize(h.size(), x.size()), sink);
}

bool FastConvolveWithSize(std::span<const double> h, std::span<const double> x, int fftSize,
                          std::vector<double>& y) {
  if (fftSize < 1 || (fftSize & (fftSize - 1)) != 0) {
    std::fputs("fft error: fft point must be a power of 2\n", stderr);
    return false;
  }
  return ConvolveInto(h, x, fftSize, y);
}

}  // namespace tonvale
