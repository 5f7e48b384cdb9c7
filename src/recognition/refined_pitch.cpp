#include "recognition/refined_pitch.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace tonvale {
namespace {

constexpr int kCandidates = kHighestNote - kLowestNote + 1;
// Partials are looked for up to the top of the peak file's band.
constexpr double kHighestPartialHz = 5500.0;
// Beyond the sixteenth harmonic partials are a semitone apart or closer: they no longer tell
// one fundamental from its neighbours.
constexpr int kMostHarmonics = 16;
// A partial belongs to a harmonic when it lies within this many cents of it: wide enough for
// the stretched partials of stiff strings and for tuning a little off 440 Hz, narrow enough
// that the neighbouring semitone's partials (100 cents away) are not taken.
constexpr double kToleranceCents = 40.0;
// The weights of the harmonic sum, (f0 + a) / (h f0 + b): high partials of low notes still
// count, while the harmonic sum of a subharmonic stays below the true fundamental's.
constexpr double kWeightA = 52.0;
constexpr double kWeightB = 320.0;
// At most this many simultaneous notes are looked for in one frame: enough for full chords.
constexpr int kMostNotes = 8;
// A further fundamental must have at least this share of the first one's harmonic sum
// (-10 dB): weaker residue is what the smooth-envelope cancellation leaves of the notes found,
// and a note 10 dB under the loudest of a chord is masked by it.
constexpr double kLeastShare = 0.3;
// On a harmonic of a note already found, half of it (-6 dB): there the cancellation leaves the
// excess of that note's irregular partials, and a real note in octave or twelfth with it adds
// about as much as the partial it lands on.
constexpr double kHarmonicShare = 0.5;
// Harmonics up to the eighth count as "on a harmonic" of a note found: beyond it partials are
// less than two semitones apart and every candidate sits near one.
constexpr int kRelatedHarmonics = 8;

// Whether harmonic h (from 1) of `note` lies on a harmonic of another note found.
bool Shared(int note, int h, const std::vector<FramePitch>& found) {
  const double cents = note * 100.0 + 1200.0 * std::log2(static_cast<double>(h));
  for (const FramePitch& p : found) {
    if (p.note == note) continue;
    const double k = std::exp2((cents - p.note * 100.0) / 1200.0);
    const double nearest = std::round(k);
    if (nearest >= 1.0 && nearest <= kMostHarmonics &&
        std::abs(1200.0 * std::log2(k / nearest)) <= kToleranceCents) {
      return true;
    }
  }
  return false;
}

// Whether a note's partials say that its octave sounds too: every even partial among the 2nd
// to the 8th that can be compared rises above its odd neighbours, and at least two can. One
// strong partial is timbre (a formant); a series of raised even partials is a second note an
// octave up. In a chord a partial on a harmonic of another note found holds that note's share
// too: it tells nothing of this note's envelope and is left out of the comparison (the 2nd
// partial of a triad's fifth lands on the root's 3rd). The 8th is the last partial that counts
// as "on a harmonic" of a note, and lets two comparisons remain when the chord covers some.
bool OctaveSounds(int note, const std::vector<double>& comb, const std::vector<FramePitch>& found) {
  int checked = 0;
  for (size_t h = 1; h + 1 < comb.size() && h + 1 <= kRelatedHarmonics; h += 2) {
    if (Shared(note, static_cast<int>(h) + 1, found)) continue;
    double odd = -1.0;
    for (size_t j : {h - 1, h + 1}) {
      if (!Shared(note, static_cast<int>(j) + 1, found)) odd = std::max(odd, comb[j]);
    }
    if (odd < 0.0) continue;
    if (comb[h] <= odd) return false;
    ++checked;
  }
  return checked >= 2;
}

bool OnHarmonic(int note, const std::vector<FramePitch>& found,
                const std::vector<std::vector<double>>& combs) {
  for (size_t i = 0; i < found.size(); ++i) {
    const FramePitch& q = found[i];
    if (note == q.note + 12 && OctaveSounds(q.note, combs[i], found)) continue;
    for (int h = 2; h <= kRelatedHarmonics; ++h) {
      if (std::abs(note - q.note - 12.0 * std::log2(static_cast<double>(h))) * 100.0 <=
          kToleranceCents) {
        return true;
      }
    }
  }
  return false;
}

// Fundamentals down to a fifth of the strongest candidate's are considered (h = 2 .. 5).
constexpr int kDeepestSubharmonic = 5;
// The partials of one series lie within 20 dB of its strongest under a smooth envelope; weaker
// peaks between them belong to other sounds.
constexpr double kSeriesSpread = 0.1;

// 1200 log2 h: how many cents harmonic h lies above its fundamental.
const std::array<double, kMostHarmonics + 1> kHarmonicCents = [] {
  std::array<double, kMostHarmonics + 1> cents{};
  for (int h = 1; h <= kMostHarmonics; ++h) cents[h] = 1200.0 * std::log2(static_cast<double>(h));
  return cents;
}();

}  // namespace

double NoteFrequency(double note) {
  return 440.0 * std::exp2((note - 69.0) / 12.0);
}
double NoteOf(double frequency) {
  return 69.0 + 12.0 * std::log2(frequency / 440.0);
}

HarmonicAnalyser::HarmonicAnalyser()
    : salience_(kCandidates, 0.0), firstSalience_(kCandidates, 0.0) {}

HarmonicAnalyser::PeakSpan HarmonicAnalyser::PeaksNear(double targetCents) const {
  const auto first = std::lower_bound(cents_.begin(), cents_.end(), targetCents - kToleranceCents);
  const auto last = std::upper_bound(first, cents_.end(), targetCents + kToleranceCents);
  return {static_cast<size_t>(first - cents_.begin()), static_cast<size_t>(last - cents_.begin())};
}

double HarmonicAnalyser::Collect(int note, std::vector<Match>& matches) const {
  matches.clear();
  const double f0 = NoteFrequency(note);
  double sum = 0.0;
  for (int h = 1; h <= kMostHarmonics && h * f0 <= kHighestPartialHz; ++h) {
    const double target = note * 100.0 + kHarmonicCents[h];
    const PeakSpan near = PeaksNear(target);
    Match best;
    for (size_t j = near.begin; j < near.end; ++j) {
      if (residual_[j] > best.amplitude) best = {static_cast<int>(j), residual_[j]};
    }
    matches.push_back(best);
    sum += best.amplitude * (f0 + kWeightA) / (h * f0 + kWeightB);
  }
  // A pitched sound has energy in its lowest partials: a candidate with neither its first
  // partial nor two of its first three (of those that fit in the band) is a subharmonic that
  // higher partials of other notes happen to line up with. Bars (marimba, 1 : 4 : 10) have
  // the first only; low strings and brass may lack the first but not the next two.
  int low = 0, present = 0;
  for (size_t h = 0; h < std::min<size_t>(3, matches.size()); ++h, ++low) {
    if (matches[h].peak >= 0) ++present;
  }
  if (present < std::min(2, low) && (matches.empty() || matches[0].peak < 0)) return 0.0;
  return sum;
}

int HarmonicAnalyser::OwnPartials(int note, int ratio, const std::vector<FramePitch>& found,
                                  size_t high) const {
  // Two notes a fifth apart lie on the series of the note an octave below the lower one, so
  // that phantom has partials too; they are all on harmonics of notes found, while a real low
  // note has partials (not on the upper note's series) that no other note explains.
  std::vector<FramePitch> others;
  for (size_t k = 0; k < found.size(); ++k) {
    if (k != high) others.push_back(found[k]);
  }
  int own = 0;
  for (int h = 1; h <= kRelatedHarmonics; ++h) {
    if (h % ratio == 0) continue;
    const double target = note * 100.0 + 1200.0 * std::log2(static_cast<double>(h));
    if (NoteFrequency(target / 100.0) > kHighestPartialHz) break;
    const PeakSpan near = PeaksNear(target);
    if (near.begin < near.end && !Shared(note, h, others)) ++own;
  }
  return own;
}

bool HarmonicAnalyser::UpperSounds(int note, int ratio) const {
  // A note with a 1st partial that can be heard is found before its 2nd or 3rd, so only a low
  // note whose 1st partial is 20 dB or more under that partial can be outranked by it.
  auto level = [&](int h) {
    const double target = note * 100.0 + 1200.0 * std::log2(static_cast<double>(h));
    const PeakSpan near = PeaksNear(target);
    double best = 0.0;
    for (size_t j = near.begin; j < near.end; ++j) best = std::max(best, amplitude_[j]);
    return best;
  };
  if (level(1) > kSeriesSpread * level(ratio)) return true;
  // A second note an octave or a twelfth up raises the low note's 2nd to 4th multiples of
  // that ratio above their neighbours as well as the first; a resonance of the body or bore
  // that lifts one partial does not lift them all. One of them under a neighbour is enough to
  // call the raised partial timbre.
  for (int h = 2 * ratio; h <= 4 * ratio && (h + 1) * NoteFrequency(note) <= kHighestPartialHz;
       h += ratio) {
    const double odd = std::max(level(h - 1), level(h + 1));
    if (odd > 0.0 && level(h) <= odd) return false;
  }
  return true;
}

void HarmonicAnalyser::CancelSmoothEnvelope(const std::vector<Match>& partials) {
  for (size_t h = 0; h < partials.size(); ++h) {
    const Match& m = partials[h];
    if (m.peak < 0) continue;
    double around = m.amplitude, count = 1.0;
    if (h > 0) around += partials[h - 1].amplitude, count += 1.0;
    if (h + 1 < partials.size()) around += partials[h + 1].amplitude, count += 1.0;
    residual_[m.peak] -= std::min(m.amplitude, around / count);
  }
}

double HarmonicAnalyser::SumOverLow(int high, int low) {
  // The same smooth-envelope cancellation as in the search, on the whole spectrum: what the
  // twelfth would have left had the low note been found first.
  std::vector<double> kept = residual_;
  residual_ = amplitude_;
  std::vector<Match> partials;
  Collect(low, partials);
  CancelSmoothEnvelope(partials);
  const double sum = Collect(high, partials);
  residual_.swap(kept);
  return sum;
}

int HarmonicAnalyser::Fundamental(int note) const {
  // A series spaced f0 / d apart has the fundamental f0 / d, even when its first partial is
  // weaker than the higher ones: look for the partials between the candidate's own (those of
  // f0 / d not on multiples of d) below its third harmonic. The first partial itself and half
  // of them present make a series; the notes of a chord fill some of those places (a triad
  // lies on one harmonic series) but leave its fundamental empty. The widest spacing that
  // qualifies wins.
  std::vector<Match> own;
  Collect(note, own);
  double strongest = 0.0;
  for (const Match& m : own) strongest = std::max(strongest, m.amplitude);
  const double least = kSeriesSpread * strongest;
  // Whether the 7th partial of `lower` is a peak of the series (at least `least`).
  auto seventhPresent = [&](int lower) {
    const PeakSpan near = PeaksNear(lower * 100.0 + kHarmonicCents[7]);
    for (size_t j = near.begin; j < near.end; ++j) {
      if (residual_[j] >= least) return true;
    }
    return false;
  };
  for (int d = kDeepestSubharmonic; d >= 2; --d) {
    const int lower = static_cast<int>(std::lround(note - 12.0 * std::log2(d)));
    if (lower < kLowestNote) continue;
    int positions = 0, present = 0;
    bool firstPresent = false;
    double oddMax = 0.0;
    for (int h = 1; h < 3 * d; ++h) {
      if (h % d == 0) continue;
      const double target = lower * 100.0 + 1200.0 * std::log2(static_cast<double>(h));
      if (NoteFrequency(target / 100.0) > kHighestPartialHz) break;
      ++positions;
      const PeakSpan near = PeaksNear(target);
      for (size_t j = near.begin; j < near.end; ++j) {
        if (residual_[j] >= least) {
          ++present;
          if (h == 1) firstPresent = true;
          oddMax = std::max(oddMax, residual_[j]);
          break;
        }
      }
    }
    if (positions > 0 && 2 * present >= positions + 1 && firstPresent) return lower;
    // A bowed string's 1st partial can be 20 dB or more under a 2nd that the body raises (the
    // middle voice of a string trio); the candidate is then that 2nd, and the string's 3rd, 5th
    // and 7th partials lie between its own, the 3rd and 5th weaker than it. Softer notes of a
    // chord can fill the 3rd's and 5th's places (a fifth and a tenth above), seldom the 7th's.
    if (d == 2 && positions == 3 && present == 2 && !firstPresent && oddMax < own[0].amplitude &&
        seventhPresent(lower))
      return lower;
  }
  return note;
}

void HarmonicAnalyser::Analyse(std::span<const float> frequencies, std::span<const float> levels,
                               std::vector<FramePitch>& pitches) {
  pitches.clear();
  combs_.clear();
  cents_.clear();
  residual_.clear();
  for (size_t i = 0; i < frequencies.size(); ++i) {
    if (!(frequencies[i] > 0.f)) continue;
    cents_.push_back(NoteOf(frequencies[i]) * 100.0);
    residual_.push_back(std::pow(10.0, levels[i] / 20.0));
  }
  // The peak file lists peaks in increasing frequency; keep that order for the search.
  if (!std::is_sorted(cents_.begin(), cents_.end())) {
    std::vector<size_t> order(cents_.size());
    for (size_t i = 0; i < order.size(); ++i) order[i] = i;
    std::sort(order.begin(), order.end(),
              [&](size_t a, size_t b) { return cents_[a] < cents_[b]; });
    std::vector<double> c, r;
    for (size_t i : order) {
      c.push_back(cents_[i]);
      r.push_back(residual_[i]);
    }
    cents_.swap(c);
    residual_.swap(r);
  }
  amplitude_ = residual_;
  if (cents_.empty()) {
    std::fill(firstSalience_.begin(), firstSalience_.end(), 0.0);
    return;
  }

  for (int n = 0; n < kCandidates; ++n) salience_[n] = Collect(kLowestNote + n, matches_);
  firstSalience_ = salience_;
  double first = 0.0;
  for (int found = 0; found < kMostNotes; ++found) {
    // The strongest candidate that passes its own bar: a share of the first note's harmonic
    // sum, and a larger one on a harmonic of a note already found, because cancellation by a
    // smooth envelope leaves the excess of that note's irregular partials there.
    int best = -1;
    for (int n = 0; n < kCandidates; ++n) {
      if (salience_[n] <= 0.0 || (best >= 0 && salience_[n] <= salience_[best])) continue;
      const double share =
          OnHarmonic(kLowestNote + n, pitches, combs_) ? kHarmonicShare : kLeastShare;
      if (found == 0 || salience_[n] >= share * first) best = n;
    }
    if (best < 0) break;
    if (found == 0) first = salience_[best];
    const int note = Fundamental(kLowestNote + best);
    Collect(note, matches_);

    FramePitch pitch;
    pitch.note = note;
    double amplitude = 0.0, weighted = 0.0, weights = 0.0;
    for (size_t h = 0; h < matches_.size(); ++h) {
      const Match& m = matches_[h];
      if (m.peak < 0) continue;
      ++pitch.partials;
      amplitude += m.amplitude;
      if (h < 4) {
        weighted += m.amplitude * std::exp2(cents_[m.peak] / 1200.0) / (h + 1);
        weights += m.amplitude;
      }
    }
    combs_.resize(pitches.size() + 1);
    combs_.back().clear();
    for (const Match& m : matches_) combs_.back().push_back(m.amplitude);
    pitch.level = static_cast<float>(20.0 * std::log10(std::max(amplitude, 1e-9)));
    pitch.frequency = static_cast<float>(weights > 0.0 ? weighted / weights * NoteFrequency(0.0)
                                                       : NoteFrequency(note));
    pitches.push_back(pitch);

    CancelSmoothEnvelope(matches_);
    // Only candidates that could still pass need their sums again; cancellation only lowers
    // them.
    for (int n = 0; n < kCandidates; ++n) {
      if (salience_[n] >= kLeastShare * first)
        salience_[n] = Collect(kLowestNote + n, matches_);
      else
        salience_[n] = 0.0;
    }
    salience_[note - kLowestNote] = 0.0;
  }
  // A bowed or blown low note (cello D2) can have a 1st partial too weak to be a peak and a 3rd
  // raised by a body resonance; its 3rd then outranks it and is taken as a note before the low
  // note itself is found beside it. A string's 2nd partial raised by the body (the middle voice
  // of a string trio) is taken the same way, an octave up. A note a twelfth or an octave above
  // one found after it is that note's partial when the low note has partials of its own, the
  // upper note would not have passed its bar had the low note been found first, and the low
  // note's series shows no second note.
  for (size_t i = 0; i < pitches.size();) {
    bool overtone = false;
    for (size_t j = i + 1; j < pitches.size() && !overtone; ++j) {
      const int interval = pitches[i].note - pitches[j].note;
      const int ratio = interval == 19 ? 3 : interval == 12 ? 2 : 0;
      overtone = ratio > 0 && OwnPartials(pitches[j].note, ratio, pitches, i) >= 2 &&
                 SumOverLow(pitches[i].note, pitches[j].note) < kHarmonicShare * first &&
                 !UpperSounds(pitches[j].note, ratio);
    }
    if (overtone) {
      pitches.erase(pitches.begin() + static_cast<std::ptrdiff_t>(i));
      combs_.erase(combs_.begin() + static_cast<std::ptrdiff_t>(i));
    } else {
      ++i;
    }
  }
}

}  // namespace tonvale
