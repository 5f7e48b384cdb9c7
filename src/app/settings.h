#pragma once

#include <cstdint>
#include <string>

namespace tonvale {

// The analysis parameters, filled from the settings file. Numbers are signed 16-bit, as the
// file's numbers are stored (a value outside that range keeps its low 16 bits); texts are UTF-8.
// Everything is zero and empty until the first successful load.
struct Settings {
  int16_t FrameRate = 0;        // frame shift, milliseconds
  int16_t FrameLength = 0;      // samples per frame
  int16_t VirtualLength = 0;    // zero-padded frame length, the transform size
  std::string Window;           // window function name
  int16_t Tempo = 0;            // beats per minute
  int16_t ShortestNote = 0;     // shortest note value as a denominator (64: a sixty-fourth)
  std::string Rhythm;           // time signature, "numerator / denominator"
  int16_t Tone = 0;             // General MIDI program 1 to 128, not range-checked
  std::string ProposedMethod1;  // on exactly when "あり"
  std::string ProposedMethod2;  // on exactly when "あり"
  int16_t ShortestPeakMs = 0;   // notes this short or shorter are dropped, milliseconds
  int16_t WeakPowerCutDb = 0;   // level floor of a spectral peak, dB
  std::string AdjacentShift;  // comparison distance of proposed method 1 in samples, or "オート"

  bool operator==(const Settings&) const = default;
};

// The values of the default settings file.
Settings DefaultSettings();

// The word that switches a proposed method on, and the automatic adjacent shift.
inline constexpr char kSwitchOn[] = "あり";
inline constexpr char kAutomaticShift[] = "オート";

}  // namespace tonvale
