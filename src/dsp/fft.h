#pragma once

namespace tonvale {

// The smallest m >= 1 with 2^m >= n (so n <= 2 gives 1).
int Log2Ceil(long long n);

// In-place complex transform of n points on split arrays. Forward: X[k] = sum x[j] e^(-2 pi i
// jk/n), unscaled. Inverse: x[j] = (1/n) sum X[k] e^(+2 pi i jk/n). Returns 1; when n is not a
// power of two (n = 1 included) writes "fft error: fft point must be a power of 2" to stderr
// and returns 0 with the data untouched.
int Fft(double* re, double* im, int n, bool inverse);

}  // namespace tonvale
