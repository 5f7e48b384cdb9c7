#include "recognition/refined_recognition.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "app/numbers.h"
#include "extraction/work_file.h"
#include "recognition/lump_note.h"
#include "recognition/note_script.h"
#include "recognition/refined_pitch.h"

namespace tonvale {
namespace {

// The attack is the loudest point of a note's first 90 ms.
constexpr int kAttackPoints = 9;
// General MIDI maps velocity v to a gain of 40 log10(v / 127) dB.
constexpr double kVelocityRangeDb = 40.0;
// The note script spells octaves with one digit: MIDI notes 24 (c-0) to 143 (b-9).
constexpr int kHighestNamedNote = 143;

float AttackLevel(std::span<const float> levels) {
  const size_t n = std::min<size_t>(levels.size(), kAttackPoints);
  return n == 0 ? -400.f : *std::max_element(levels.begin(), levels.begin() + n);
}

double Median(std::span<const float> values) {
  std::vector<float> sorted(values.begin(), values.end());
  std::nth_element(sorted.begin(), sorted.begin() + sorted.size() / 2, sorted.end());
  return sorted[sorted.size() / 2];
}

}  // namespace

int RefinedPitchRecognition(Session& session) {
  MessageLog& log = session.log;
  const Settings& settings = session.settings;
  log.AppendLog("..Pitch recognition of the notes found by their harmonics (refined)");
  log.AppendLog("");
  log.AppendLog("..Argument");
  log.AppendLog(Format("Tempo         is \"%d\".", settings.Tempo));
  log.AppendLog("Rhythm        is \"" + settings.Rhythm + "\".");
  log.AppendLog(Format("Tone            is \"%d\".", settings.Tone));
  log.AppendLog("");

  WorkFile lumps;
  if (!ReadStageInput(session, kLumpFileName, "err: cannot open! PeakCombination.txt", lumps)) {
    return 1;
  }
  const int frameRate = lumps.FrameRate();
  const std::string& signalName = lumps.header.signalName;
  float loudest = -400.f;
  for (int r = 0; r < lumps.records.size(); ++r) {
    loudest = std::max(loudest, AttackLevel(lumps.records.Levels(r)));
  }

  log.AppendLog("..Recognized notes");
  std::vector<Note> notes;
  for (int r = 0; r < lumps.records.size(); ++r) {
    // Cancelled: the previous note script stays.
    if (!session.progress.Advance(r, lumps.records.size())) return 1;
    const auto frequencies = lumps.records.Frequencies(r);
    if (frequencies.empty()) continue;
    const double median = Median(frequencies);
    if (!(median > 0.0)) continue;
    const long midi = std::lround(NoteOf(median));
    if (midi < kLowestNote || midi > kHighestNamedNote) continue;
    const double below = AttackLevel(lumps.records.Levels(r)) - loudest;
    const long velocity =
        std::clamp(std::lround(127.0 * std::pow(10.0, below / kVelocityRangeDb)), 1L, 127L);
    Note note;
    note.start = lumps.records.Label(r);
    note.end = note.start + int64_t{frameRate} * static_cast<int64_t>(frequencies.size());
    note.volume = static_cast<int16_t>(velocity);
    note.name = NoteName(static_cast<int>(midi) - kLowestNote);
    log.AppendLog(Format("%s | %lld-%lld [ms] | vol:%d", note.name.c_str(),
                         static_cast<long long>(note.start), static_cast<long long>(note.end),
                         note.volume));
    notes.push_back(std::move(note));
  }

  if (WriteNoteScript(session, signalName, notes) != 0) return 1;
  log.AppendLog("");
  log.AppendLog("..Carried out pitch recognition.");
  log.AppendLog("..Complete!");
  return 0;
}

}  // namespace tonvale
