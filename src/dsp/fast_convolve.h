#pragma once

#include <cstdint>
#include <functional>
#include <span>
#include <vector>

namespace tonvale {

// The linear convolution of x with the filter h, cut to the length of x and centred on the
// filter: y[j] = sum_k h[k] x[j + M/2 - k] for j < L, with x taken as 0 outside its range. For an
// odd-length linear-phase filter this removes the filter's delay. Done by overlap-add with
// transforms of 2^Log2Ceil(2M) points, or one transform of 2^Log2Ceil(M + L - 1) points when the
// signal is shorter than the filter. False ("Can't malloc" on stderr) when memory runs out.
bool FastConvolve(std::span<const double> h, std::span<const double> x, std::vector<double>& y);
// The same for 16-bit samples, without a copy of the signal as doubles.
bool FastConvolve(std::span<const double> h, std::span<const int16_t> x, std::vector<double>& y);

// Receives the samples of a convolution in order, a run at a time; the run is valid only during
// the call.
using ConvolutionSink = std::function<void(std::span<const double> run)>;

// FastConvolve of 16-bit samples handing the result to `sink` block by block instead of
// holding all of it: the same samples in the same order, for signals too long to keep twice.
bool FastConvolveStream(std::span<const double> h, std::span<const int16_t> x,
                        const ConvolutionSink& sink);
// The same for samples kept in single precision.
bool FastConvolveStream(std::span<const double> h, std::span<const float> x,
                        const ConvolutionSink& sink);

// Overlap-add with a chosen transform size (a power of two not below the filter length); the
// result agrees with FastConvolve's to within rounding whatever the size.
bool FastConvolveWithSize(std::span<const double> h, std::span<const double> x, int fftSize,
                          std::vector<double>& y);

// The transform size FastConvolve uses for a filter of M taps and a signal of L samples.
long long FastConvolveSize(size_t M, size_t L);

}  // namespace tonvale
