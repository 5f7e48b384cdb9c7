// Four doubles as one value, for the transforms' inner loops. Internal to src/dsp: include it
// only from .cpp files, after every other header, since it turns off a warning for the rest of
// the file.
#pragma once

#include <cstring>

// The helpers are inlined, so how a plain x86-64 build would pass vectors between functions
// does not matter.
#pragma GCC diagnostic ignored "-Wpsabi"

namespace tonvale::quad {

// GCC lowers the operations to whatever vector registers the target has (two SSE2 registers on
// plain x86-64, one AVX register where the AVX2 clone runs, two NEON registers on arm64); each
// lane is computed exactly as the scalar code would.
using Quad = double __attribute__((vector_size(32)));

[[gnu::always_inline]] inline Quad Load(const double* p) {
  Quad q;
  std::memcpy(&q, p, sizeof q);
  return q;
}

[[gnu::always_inline]] inline void Store(double* p, Quad q) {
  std::memcpy(p, &q, sizeof q);
}

}  // namespace tonvale::quad

// Marks a function with vector loops for two copies on x86-64: an AVX2 one chosen at load time
// where the processor has it, and a plain one. AVX2 brings no fused multiply-add, so both copies
// round alike. Not under ThreadSanitizer: the load-time choice would run, instrumented, before
// it starts.
#if defined(__x86_64__) && defined(__GNUC__) && !defined(__clang__) && !defined(__SANITIZE_THREAD__)
#define TONVALE_VECTOR_CLONES __attribute__((target_clones("avx2", "default")))
#else
#define TONVALE_VECTOR_CLONES
#endif
