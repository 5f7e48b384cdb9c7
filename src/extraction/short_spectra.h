#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "app/output_file.h"

namespace tonvale {

// The refined process 1's second work file: beside each frame of the peak file, the levels of a
// window a quarter as long (about 23 ms) centred on the same label, which tell when a partial
// starts to within a few milliseconds where the long frame only says that it sounds.
inline constexpr char kShortSpectraFileName[] = "ShortSpectra.dat";

// A text head of three lines, then one byte per bin and frame:
//   ShortSpectra 1
//   the recording's path, as the peak file gives it
//   rate frameShiftMs windowLength bins frames
// Each byte is a bin's level in whole decibels on the scale of the peak file (a sinusoid of
// amplitude A reads 20 log10 A at its bin), clamped to 0 .. 255.
struct ShortSpectra {
  double rate = 0.0;
  int frameShiftMs = 0;
  int windowLength = 0;
  int bins = 0;
  std::vector<uint8_t> levels;  // frame-major

  int64_t frames() const { return bins > 0 ? static_cast<int64_t>(levels.size()) / bins : 0; }
  double binHz() const { return rate / windowLength; }
  // Frame i counts from 0, as the records of the peak file.
  std::span<const uint8_t> Frame(int64_t i) const {
    return {levels.data() + i * bins, static_cast<size_t>(bins)};
  }
};

class ShortSpectraWriter {
 public:
  // False when the file cannot be created.
  bool Open(const std::string& path, std::string_view recording, double rate, int frameShiftMs,
            int windowLength, int bins, int64_t frames);
  void Write(std::span<const uint8_t> frame);
  bool Commit() { return file_.Commit(); }

 private:
  OutputFile file_;
};

// Reads the file written for `recording` at `frameShiftMs`. False, leaving `spectra` empty, when
// it is missing, unreadable or belongs to another recording or frame shift: the refined process
// 2 then places onsets by its long frames alone.
bool ReadShortSpectra(const std::string& path, std::string_view recording, int frameShiftMs,
                      ShortSpectra& spectra);

}  // namespace tonvale
