#pragma once

namespace tonvale {

// The smallest m >= 1 with 2^m >= n (so n <= 2 gives 1).
int Log2Ceil(long long n);

}  // namespace tonvale
