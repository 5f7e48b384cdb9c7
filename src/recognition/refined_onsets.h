#pragma once

#include <cstdint>
#include <vector>

#include "extraction/short_spectra.h"

namespace tonvale {

// The level (dB) of the short window of frame t at the first partials of MIDI note `note`: the
// power of the bins of its first four partials, one bin on each side for the window's main
// lobe. The attack of any pitched sound carries those partials.
class PartialEnergy {
 public:
  explicit PartialEnergy(const ShortSpectra& spectra);
  // Frames outside the spectra read as silence.
  double At(int note, int64_t t) const;
  // How far the level rose at an onset: the loudest of the frames from the onset to 30 ms after
  // it over the quietest of the 30 ms before it.
  double RiseAt(int note, int64_t onset) const;

 private:
  const ShortSpectra& spectra_;
  std::vector<std::vector<int>> bins_;  // per MIDI note from kLowestNote
  int span_;                            // 30 ms in frames
};

// The frames (counted from 0) at which something starts: peaks of the mean rise of the short
// windows' levels across the band, well above the rises around them.
std::vector<int64_t> DetectOnsets(const ShortSpectra& spectra);

}  // namespace tonvale
