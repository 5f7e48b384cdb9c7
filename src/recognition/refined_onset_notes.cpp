#include "recognition/refined_onset_notes.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace tonvale {
namespace {

// The long frame centred 50 ms before an onset ends before it (it spans 93 ms); the loudest of
// it and its neighbours is what was sounding, whatever vibrato or beating did to one frame.
constexpr double kBeforeMs = 50.0;
// The long frame centred 80 ms after an onset starts 34 ms after it: past the noise of the
// attack, with the partials near their full level.
constexpr double kAfterMs = 80.0;
// A partial that grew by less than a fifth of its amplitude (1.6 dB) is a sound going on; what
// a partial grew by is what started.
constexpr double kGrowth = 1.2;
// Peaks before and after an onset are one partial within 30 cents: a third of a semitone,
// more than vibrato moves a partial between two frames 130 ms apart.
constexpr double kSamePartialCents = 30.0;
// The frames from 30 ms after an onset (when the long frames hold mostly what follows it) are
// those that tell what started there: a pitch found in at least 40 % of those up to 120 ms is
// a note, not the noise of an attack read as a pitch for a frame or two.
constexpr double kSettleMs = 30.0;
constexpr double kConfirmMs = 120.0;
constexpr double kConfirmShare = 0.4;
// A pitch that the frames from 30 to 250 ms after an onset (or to just after the next onset)
// find in at least half of them started at the onset, when it was not sounding before: the
// frames miss it now and then in a dense chord, where the difference between two frames can
// miss it for good.
constexpr double kVoteMs = 250.0;
constexpr double kVoteShare = 0.5;
// A pitch found in at least 40 % of the frames from 120 to 30 ms before an onset was sounding
// already; it starts again only when its first partials rise by 6 dB (twice the amplitude)
// across the onset.
constexpr double kSustainShare = 0.4;
constexpr double kRestrikeDb = 6.0;
// Every partial of the pitches at the 2nd to 6th partial of a note (12, 19, 24, 28 and 31
// semitones up, each within 14 cents of it) is one of that note's own partials: when a note that
// was sounding before an onset decays on through it (a release, a room's reverberation), those
// partials go on, and where the new note's partials mask its fundamental they read as a pitch of
// their own. Such a pitch starts a note only when its first partials rise as a restrike's do; a
// tail decays smoothly and never rises. The note below must have started before the 120 ms ahead of
// the onset: in a strum or a spread chord the lower note's own attack is still under way and the
// notes above it start with it.
constexpr int kHarmonicSteps[] = {12, 19, 24, 28, 31};
// One attack can make several onsets (a breath, a bow or a key's click before the tone): within
// 100 ms the same pitch is one note, placed at the onset where its first partials rise most.
constexpr double kSameNoteMs = 100.0;
// A note lasts while its pitch is found with gaps of at most 100 ms: its start is known, so a
// dropout of the search only ends it when it is long.
constexpr double kGapMs = 100.0;
// The long frame (93 ms) finds a pitch within about half its length of its attack: a soft
// attack is looked for from 50 ms before the first frame that finds it.
constexpr double kFoundAfterAttackMs = 50.0;
// The attack's level is the loudest of the note's first 80 ms.
constexpr double kAttackMs = 80.0;
// The first four partials carry an attack (as in the short windows' levels).
constexpr int kAttackPartials = 4;
// A slow attack is looked for at most 100 ms before its onset: about a long window, the most
// that the onsets place it late by; further back lies the previous note.
constexpr double kBacktrackMs = 100.0;
// An attack raises several of a note's partials together: one partial that began alone before
// the others belongs to another sound as well.
constexpr int kTogether = 2;
// A bowed or blown attack scoops into its pitch by up to a semitone: a cello's second partial
// was seen rising 95 cents over its first 50 ms.
constexpr double kAttackGlideCents = 100.0;
// A partial missing from one frame of its attack (beating with a fading partial beside it) has
// not stopped.
constexpr int kMissedFrames = 1;
// The long frames span 93 ms: one holds a sound from half that before the sound begins.
constexpr double kLongFrameMs = 93.0;

// A frame without any of the partials looked for.
constexpr double kAbsent = -1e300;

double Cents(double a, double b) {
  return 1200.0 * std::log2(a / b);
}

}  // namespace

OnsetNotes::OnsetNotes(const PeakTable& records, std::span<const std::vector<FramePitch>> pitches,
                       const ShortSpectra& spectra, int frameShiftMs)
    : records_(records),
      pitches_(pitches),
      energy_(spectra),
      count_(std::min<int64_t>(records.size(), static_cast<int64_t>(pitches.size()))),
      before_(Frames(kBeforeMs, frameShiftMs)),
      after_(Frames(kAfterMs, frameShiftMs)),
      settle_(Frames(kSettleMs, frameShiftMs)),
      confirm_(Frames(kConfirmMs, frameShiftMs)),
      sustain_(Frames(kConfirmMs, frameShiftMs)),
      vote_(Frames(kVoteMs, frameShiftMs)),
      same_(Frames(kSameNoteMs, frameShiftMs)),
      gap_(Frames(kGapMs, frameShiftMs)),
      attack_(Frames(kAttackMs, frameShiftMs)),
      attackSearch_(Frames(kFoundAfterAttackMs, frameShiftMs)),
      backtrack_(Frames(kBacktrackMs, frameShiftMs)),
      lead_(Frames(kLongFrameMs / 2, frameShiftMs)) {}

bool OnsetNotes::Found(int note, int64_t t) const {
  if (t < 0 || t >= count_) return false;
  for (const FramePitch& p : pitches_[static_cast<size_t>(t)]) {
    if (p.note == note) return true;
  }
  return false;
}

double OnsetNotes::FoundShare(int note, int64_t from, int64_t to) const {
  from = std::max<int64_t>(0, from);
  to = std::min(count_ - 1, to);
  if (to < from) return 0.0;
  int64_t found = 0;
  for (int64_t t = from; t <= to; ++t) found += Found(note, t) ? 1 : 0;
  return static_cast<double>(found) / static_cast<double>(to - from + 1);
}

void OnsetNotes::GrownPitches(int64_t onset, HarmonicAnalyser& analyser,
                              std::vector<FramePitch>& out) {
  const auto after = static_cast<int>(std::min(count_ - 1, onset + after_));
  const int64_t before = onset - before_;
  const std::span<const float> frequencies = records_.Frequencies(after);
  const std::span<const float> levels = records_.Levels(after);
  grownFrequencies_.clear();
  grownLevels_.clear();
  for (size_t i = 0; i < frequencies.size(); ++i) {
    if (!(frequencies[i] > 0.f)) continue;
    const double amplitude = std::pow(10.0, levels[i] / 20.0);
    double was = 0.0;
    for (int64_t b = std::max<int64_t>(0, before - 1); b <= before + 1 && b < count_; ++b) {
      const std::span<const float> f = records_.Frequencies(static_cast<int>(b));
      const std::span<const float> l = records_.Levels(static_cast<int>(b));
      for (size_t j = 0; j < f.size(); ++j) {
        if (f[j] > 0.f && std::abs(Cents(f[j], frequencies[i])) < kSamePartialCents) {
          was = std::max(was, std::pow(10.0, l[j] / 20.0));
        }
      }
    }
    if (amplitude < kGrowth * was) continue;
    grownFrequencies_.push_back(frequencies[i]);
    grownLevels_.push_back(static_cast<float>(20.0 * std::log10(amplitude - was)));
  }
  analyser.Analyse(grownFrequencies_, grownLevels_, out);
}

namespace {

// Whether one of two pitches (Hz) is within 30 cents of a whole multiple of the other.
bool InSeries(double a, double b) {
  const double low = std::min(a, b), high = std::max(a, b);
  return std::abs(Cents(high, std::round(high / low) * low)) < kSamePartialCents;
}

}  // namespace

double OnsetNotes::PeakLevel(double frequency, int64_t t, double fundamental) const {
  if (t < 0 || t >= count_) return kAbsent;
  const std::span<const float> frequencies = records_.Frequencies(static_cast<int>(t));
  const std::span<const float> levels = records_.Levels(static_cast<int>(t));
  double level = kAbsent;
  for (size_t i = 0; i < frequencies.size(); ++i) {
    if (!(frequencies[i] > 0.f) ||
        std::abs(Cents(frequencies[i], frequency)) >= kAttackGlideCents) {
      continue;
    }
    // A peak that is a partial of another pitch found in the frame belongs to that pitch, unless
    // the two pitches share their series (an octave, or a fundamental found an octave off).
    bool other = false;
    for (const FramePitch& p : pitches_[static_cast<size_t>(t)]) {
      other = other || (fundamental > 0.0 && !InSeries(p.frequency, fundamental) &&
                        InSeries(frequencies[i], p.frequency) && frequencies[i] >= p.frequency);
    }
    if (!other) level = std::max(level, static_cast<double>(levels[i]));
  }
  return level;
}

double OnsetNotes::PartialLevel(double frequency, int64_t t) const {
  double power = 0.0;
  for (int h = 1; h <= kAttackPartials; ++h) {
    const double level = PeakLevel(h * frequency, t, 0.0);
    if (level != kAbsent) power += std::pow(10.0, level / 10.0);
  }
  return power > 0.0 ? 10.0 * std::log10(power) : kAbsent;
}

int64_t OnsetNotes::AttackStart(int note, int64_t first, int64_t earliest) const {
  // The pitch as the frames after the attack's first noise find it.
  double frequency = 0.0;
  for (int64_t t = std::min(count_ - 1, first + after_); t >= first && frequency == 0.0; --t) {
    for (const FramePitch& p : pitches_[static_cast<size_t>(t)]) {
      if (p.note == note) frequency = p.frequency;
    }
  }
  if (!(frequency > 0.0)) return first;
  // A note whose partials are not there yet 30 ms after the onset began after it.
  if (PartialLevel(frequency, first + settle_) == kAbsent) return first;
  // Each partial began with the unbroken run of frames up to the onset that hold it; one that
  // no frame of the walk is without was held by another sound already. The note began with the
  // first of its partials.
  const int64_t from = std::max(earliest, first - backtrack_);
  std::array<int64_t, kAttackPartials> begun;
  begun.fill(first);
  for (int h = 1; h <= kAttackPartials; ++h) {
    int64_t run = first;
    for (int64_t t = first - 1; t >= from; --t) {
      if (PeakLevel(h * frequency, t, frequency) != kAbsent) {
        run = t;
      } else if (run - t > kMissedFrames) {
        begun[h - 1] = run;
        break;
      }
    }
  }
  std::sort(begun.begin(), begun.end());
  return begun[kTogether - 1];
}

TrackedNote OnsetNotes::Follow(int note, int64_t onset, int64_t attack, int64_t limit) const {
  TrackedNote out;
  out.note = note;
  out.firstFrame = onset;
  // The note lasts to the last frame that finds it before a longer gap, within the limit; the
  // gap counts from the attack, before which a slow start may not be found at all.
  int64_t last = attack;
  for (int64_t t = onset; t <= limit && t <= last + gap_; ++t) {
    if (Found(note, t)) last = std::max(last, t);
  }
  out.lastFrame = last;
  // Frames that do not find the pitch take the values of the last one that did (the first
  // one that does, before it).
  const FramePitch* known = nullptr;
  for (int64_t t = onset; t <= last && known == nullptr; ++t) {
    for (const FramePitch& p : pitches_[static_cast<size_t>(t)]) {
      if (p.note == note) known = &p;
    }
  }
  double partials = 0.0;
  int found = 0;
  for (int64_t t = onset; t <= last; ++t) {
    for (const FramePitch& p : pitches_[static_cast<size_t>(t)]) {
      if (p.note != note) continue;
      known = &p;
      partials += p.partials;
      ++found;
    }
    out.frequencies.push_back(known != nullptr ? known->frequency
                                               : static_cast<float>(NoteFrequency(note)));
    out.levels.push_back(known != nullptr ? known->level : 0.f);
  }
  const auto from = static_cast<size_t>(attack - onset);
  const size_t to = std::min<size_t>(out.levels.size(), from + static_cast<size_t>(attack_ + 1));
  out.onsetLevel = *std::max_element(out.levels.begin() + from, out.levels.begin() + to);
  out.partials = found > 0 ? static_cast<float>(partials / found) : 0.f;
  return out;
}

std::vector<TrackedNote> OnsetNotes::Notes(std::span<const int64_t> onsets,
                                           HarmonicAnalyser& analyser) {
  struct Start {
    int64_t onset;
    int note;
  };
  std::vector<Start> starts;
  std::vector<int> lastStart(kHighestNote + 1, -1);  // index into starts, per note
  std::vector<FramePitch> grown;
  std::vector<int> notes;
  for (size_t i = 0; i < onsets.size(); ++i) {
    const int64_t onset = onsets[i];
    if (onset >= count_) break;
    const int64_t next = i + 1 < onsets.size() ? onsets[i + 1] : count_;
    GrownPitches(onset, analyser, grown);
    notes.clear();
    for (const FramePitch& p : grown) notes.push_back(p.note);
    const int64_t voteEnd = std::min(onset + vote_, next + 2);
    for (int note = kLowestNote; note <= kHighestNote; ++note) {
      if (std::find(notes.begin(), notes.end(), note) == notes.end() &&
          FoundShare(note, onset + settle_, voteEnd) >= kVoteShare) {
        notes.push_back(note);
      }
    }
    const auto sounding = [&](int note) {
      return FoundShare(note, onset - sustain_, onset - settle_) >= kSustainShare;
    };
    for (int note : notes) {
      if (note < kLowestNote || note > kHighestNote) continue;
      if (FoundShare(note, onset + settle_, onset + confirm_) < kConfirmShare) continue;
      const double rise = energy_.RiseAt(note, onset);
      bool goesOn = sounding(note);
      for (int step : kHarmonicSteps) {
        const int below = note - step;
        if (goesOn || below < kLowestNote) break;
        const int last = lastStart[below];
        goesOn = last >= 0 && starts[last].onset < onset - sustain_ && sounding(below);
      }
      if (goesOn && rise < kRestrikeDb) continue;
      const int last = lastStart[note];
      if (last >= 0 && onset - starts[last].onset <= same_) {
        if (rise > energy_.RiseAt(note, starts[last].onset)) starts[last].onset = onset;
        continue;
      }
      lastStart[note] = static_cast<int>(starts.size());
      starts.push_back({onset, note});
    }
  }

  // A soft attack (a bow, a swell) may make no onset of its own: a pitch that the frames have
  // not found for a while and then find in most of the next 250 ms starts a note where its
  // first partials rise most, when they rise as a new strike's do.
  std::vector<std::vector<int64_t>> atOnsets(kHighestNote + 1);
  for (const Start& s : starts) atOnsets[s.note].push_back(s.onset);
  for (int note = kLowestNote; note <= kHighestNote; ++note) {
    int64_t lastFound = -1000000;
    for (int64_t t = 0; t < count_; ++t) {
      if (!Found(note, t)) continue;
      const bool absent = t - lastFound > sustain_;
      lastFound = t;
      if (!absent || FoundShare(note, t, t + vote_) < kVoteShare) continue;
      const std::vector<int64_t>& own = atOnsets[note];
      if (std::any_of(own.begin(), own.end(),
                      [&](int64_t onset) { return onset >= t - sustain_ && onset <= t + same_; })) {
        continue;
      }
      int64_t best = t;
      double rise = -1e300;
      for (int64_t u = std::max<int64_t>(1, t - attackSearch_); u <= t + settle_; ++u) {
        const double r = energy_.RiseAt(note, u);
        if (r > rise) rise = r, best = u;
      }
      if (rise >= kRestrikeDb) starts.push_back({best, note});
    }
  }

  std::stable_sort(starts.begin(), starts.end(),
                   [](const Start& a, const Start& b) { return a.onset < b.onset; });
  std::vector<int64_t> nextOfNote(kHighestNote + 1, count_ + 1);
  std::vector<int64_t> limits(starts.size());
  for (size_t i = starts.size(); i-- > 0;) {
    limits[i] = nextOfNote[starts[i].note] - 2;
    nextOfNote[starts[i].note] = starts[i].onset - 1;
  }
  std::vector<TrackedNote> out;
  out.reserve(starts.size());
  std::vector<int64_t> ended(kHighestNote + 1, -1);  // the last frame of each pitch's last note
  for (size_t group = 0; group < starts.size();) {
    const int64_t onset = starts[group].onset;
    size_t end = group;
    // A strike raises a note's first partials in the short windows by 6 dB at its onset, which
    // places it to within a few milliseconds. At an onset where no note rose that much the
    // attack is slow (a bow, a breath, a swell), and the onsets place it where it rose fastest,
    // often well after it began: its notes start where their partials appeared. An onset at
    // which one note rose as a strike does is sudden for every note that starts there: a note
    // whose own partials rose less was masked by the others, not slow.
    bool sudden = false;
    for (; end < starts.size() && starts[end].onset == onset; ++end) {
      sudden = sudden || energy_.RiseAt(starts[end].note, onset) >= kRestrikeDb;
    }
    // A slow attack is not walked back into the half of a long frame after the last onset at
    // which notes started: what the note's partials hold there may belong to them.
    const int64_t after = group > 0 ? starts[group - 1].onset + lead_ : 0;
    for (size_t i = group; i < end; ++i) {
      // The rise lies between the frame before the onset and the onset's own: the short window
      // of the frame before already holds the first milliseconds of the note.
      const int64_t first = std::max<int64_t>(0, onset - 1);
      // Nor into its pitch's previous note.
      const int note = starts[i].note;
      const int64_t start =
          sudden ? first : AttackStart(note, first, std::max(after, ended[note] + 1));
      out.push_back(Follow(note, start, first, std::max(first, limits[i])));
      ended[note] = out.back().lastFrame;
    }
    group = end;
  }
  return out;
}

}  // namespace tonvale
