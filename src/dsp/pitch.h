#pragma once

#include <cstdint>
#include <vector>

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

namespace tonvale {

// PitchOf(f).semitone for single-precision frequencies by a look-up instead of a logarithm.
// From 16 Hz to 8 kHz the floats fall into cells of 1/64 octave by their leading bits, less than
// a semitone each: a cell holds its first float's semitone and the float where the next one
// starts, if it does within the cell, found once by bisection on PitchOf itself, which rises
// with the frequency. Frequencies outside that range take PitchOf.
class SemitoneLookup {
 public:
  SemitoneLookup();
  // The semitone of `frequency` in Hz, or `none` when it has no pitch.
  int16_t Of(float frequency, int16_t none) const;

 private:
  struct Cell {
    int16_t semitone;  // of the cell's first float
    float next;        // where the next semitone starts; infinity when not in this cell
  };
  std::vector<Cell> cells_;
};

}  // namespace tonvale
