#pragma once

#include <cstdint>

namespace tonvale {

// A frequency's place in the equal-tempered scale, counted from C1 (32.703 Hz when A4 is 440 Hz).
struct PitchAboveC1 {
  int16_t cents = 0;     // trunc(1200 log2(f / C1)), kept to its low 16 bits
  int16_t semitone = 0;  // trunc(cents / 100 + 0.5), kept to its low 16 bits
};

// The pitch of `frequency` in Hz. False when it has none: not a positive number, or so large or
// so small that its cents are not a finite number (infinity, a denormal that vanishes).
// A frequency read as a float gives the same pitch as that float widened to a double.
bool PitchOf(double frequency, PitchAboveC1& pitch);

}  // namespace tonvale
