#pragma once

#include <span>
#include <vector>

namespace tonvale {

// The notes the refined method can name: C1 (MIDI 24, the lowest the note script spells) to
// C8 (MIDI 108, the top of a piano).
inline constexpr int kLowestNote = 24;
inline constexpr int kHighestNote = 108;

// The frequency of MIDI note `note` with A4 = 440 Hz.
double NoteFrequency(double note);
// The nearest MIDI note of a frequency, as a real number.
double NoteOf(double frequency);

// A fundamental found in one frame.
struct FramePitch {
  int note = 0;           // MIDI note
  float frequency = 0.f;  // Hz, from its partials
  float level = 0.f;      // dB: the harmonic sum of its partials' amplitudes
  int partials = 0;       // how many of its harmonics were found
};

// Finds the fundamentals that explain the peaks of one frame (frequencies in Hz, levels in dB
// of sinusoid amplitude), by iterative estimation and cancellation: the candidate whose
// weighted harmonic sum is largest is taken, the share of each of its partials that a smooth
// spectral envelope predicts is removed from the peaks, and the search repeats on what is
// left, while the next best candidate is still a real part of the sound.
class HarmonicAnalyser {
 public:
  HarmonicAnalyser();
  void Analyse(std::span<const float> frequencies, std::span<const float> levels,
               std::vector<FramePitch>& pitches);

  // The harmonic sum of every candidate, kLowestNote up, before any cancellation (linear).
  const std::vector<double>& harmonicSums() const { return firstSalience_; }

 private:
  struct Match {
    int peak = -1;
    double amplitude = 0.0;
  };
  // The weighted harmonic sum of every candidate over the residual amplitudes.
  void Salience();
  // The peaks (indices into cents_, begin .. end) within the tolerance of `targetCents`.
  struct PeakSpan {
    size_t begin, end;
  };
  PeakSpan PeaksNear(double targetCents) const;
  double Collect(int note, std::vector<Match>& matches) const;
  // Lowers the residual of each matched partial by what a smooth envelope through it and its
  // neighbours predicts: a partial much stronger than its neighbours is shared with another
  // note and keeps the excess.
  void CancelSmoothEnvelope(const std::vector<Match>& partials);
  // The fundamental of the harmonic series that `note` belongs to: itself, or a note an
  // integer ratio below whose partials fill the gaps between its own.
  int Fundamental(int note) const;
  // The harmonic sum of `high` once the smooth envelope of `low` is removed from the whole
  // spectrum (linear); the search's residue is left as it was.
  double SumOverLow(int high, int low);
  // Whether a second note at `ratio` (2: an octave, 3: a twelfth) times the frequency of
  // `note` sounds, judged on the whole spectrum.
  bool UpperSounds(int note, int ratio) const;
  // How many of the 1st to 8th partials of `note` that are not multiples of `ratio` (2 or 3)
  // are peaks that no note of `found` but found[high] has a harmonic on (0 .. 6).
  int OwnPartials(int note, int ratio, const std::vector<FramePitch>& found, size_t high) const;

  std::vector<double> cents_;      // peaks in cents above MIDI note 0
  std::vector<double> residual_;   // what is left of each peak's amplitude
  std::vector<double> amplitude_;  // each peak's amplitude before any cancellation
  std::vector<double> salience_;   // per candidate note
  std::vector<double> firstSalience_;
  std::vector<Match> matches_;
  std::vector<std::vector<double>> combs_;  // the partial amplitudes of each note found
};

}  // namespace tonvale
