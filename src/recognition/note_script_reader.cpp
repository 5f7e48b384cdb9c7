#include "recognition/note_script_reader.h"

#include <algorithm>
#include <deque>
#include <map>
#include <string>
#include <utility>

#include "app/input_stream.h"
#include "app/numbers.h"

namespace tonvale {
namespace {

constexpr int64_t kMaxTracks = 0xFFFF;

// The leading "tracks N" of the script (leading white space allowed). False when the script
// does not start that way.
bool ScanTrackCount(InputStream& in, int64_t& count) {
  int c;
  while ((c = in.Get()) != InputStream::kEnd && IsTokenSpace(c)) {
  }
  for (char expected : std::string_view("tracks")) {
    if (c != expected) return false;
    c = in.Get();
  }
  while (c != InputStream::kEnd && IsTokenSpace(c)) c = in.Get();
  std::string digits;
  if (c == '+' || c == '-') {
    digits.push_back(static_cast<char>(c));
    c = in.Get();
  }
  if (c < '0' || c > '9') return false;
  while (c >= '0' && c <= '9') {
    digits.push_back(static_cast<char>(c));
    c = in.Get();
  }
  if (c != InputStream::kEnd) in.Unget();
  count = LeadingInteger(digits);
  return true;
}

class Reader {
 public:
  Reader(std::string_view script, NoteScriptEvents& events) : in_(script), events_(events) {}

  ScriptStatus Run() {
    int64_t tracks = 0;
    if (!ScanTrackCount(in_, tracks) || tracks > kMaxTracks) return ScriptStatus::kTrackError;
    events_.TrackCount(tracks);
    for (int64_t k = 0; k < tracks; ++k) {
      if (!Track(k)) return ScriptStatus::kTrackError;
    }
    return ScriptStatus::kOk;
  }

 private:
  bool Next() { return in_.ReadToken(token_); }
  int64_t Operand() {
    Next();
    return LeadingInteger(token_);
  }

  bool Track(int64_t track) {
    if (!Next() || token_ != "track{") return false;
    events_.BeginTrack(track);
    do {
      if (!Next()) return false;
      Item();
    } while (token_ != "}");  // the last token read, an operand's included
    events_.EndTrack();
    return true;
  }

  void Item() {
    if (token_ == "rhythm") {
      const int64_t numerator = Operand();
      Next();  // the separator is not looked at
      events_.Rhythm(numerator, Operand());
    } else if (token_ == "tempo") {
      events_.Tempo(Operand());
    } else if (token_ == "tone") {
      events_.Tone(Operand());
    } else if (!token_.empty() && token_[0] >= 'a' && token_[0] <= 'g') {
      const int note = NoteNumber(token_);
      events_.Note(note, Operand());
    } else {
      events_.Delay(std::max<int64_t>(LeadingInteger(token_), 0));
    }
  }

  InputStream in_;
  NoteScriptEvents& events_;
  std::string token_;
};

// Pairs each note-on with its note-off, per track and note number, first on first off.
class NoteCollector final : public NoteScriptEvents {
 public:
  std::vector<ScriptNote> Finish() {
    EndTrack();
    std::stable_sort(notes_.begin(), notes_.end(),
                     [](const ScriptNote& a, const ScriptNote& b) { return a.start < b.start; });
    return std::move(notes_);
  }

  void TrackCount(int64_t) override {}
  void BeginTrack(int64_t track) override {
    track_ = track;
    time_ = 0;
  }
  void Delay(int64_t milliseconds) override { time_ = SaturatingAdd(time_, milliseconds); }
  void Tempo(int64_t) override {}
  void Rhythm(int64_t, int64_t) override {}
  void Tone(int64_t) override {}
  void Note(int noteNumber, int64_t velocity) override {
    std::deque<ScriptNote>& open = sounding_[noteNumber];
    if (velocity > 0) {
      open.push_back({.start = time_,
                      .end = time_,
                      .noteNumber = noteNumber,
                      .velocity = static_cast<int>(std::min<int64_t>(velocity, 127)),
                      .track = track_});
    } else if (!open.empty()) {
      open.front().end = time_;
      notes_.push_back(open.front());
      open.pop_front();
    }
  }
  void EndTrack() override {
    for (auto& [number, open] : sounding_) {
      for (ScriptNote& note : open) {
        note.end = time_;
        notes_.push_back(note);
      }
    }
    sounding_.clear();
  }

 private:
  static int64_t SaturatingAdd(int64_t a, int64_t b) {
    return a > INT64_MAX - b ? INT64_MAX : a + b;
  }

  int64_t track_ = 0;
  int64_t time_ = 0;
  std::map<int, std::deque<ScriptNote>> sounding_;
  std::vector<ScriptNote> notes_;
};

}  // namespace

int NoteNumber(std::string_view name) {
  static constexpr int kSemitones[] = {9, 11, 0, 2, 4, 5, 7};  // a .. g
  auto at = [&](size_t i) -> int {
    return i < name.size() ? static_cast<unsigned char>(name[i]) : 0;
  };
  const int letter = at(0);
  const int third = at(2);
  const int octave = third >= '0' && third <= '9' ? third - '0' : third;
  int number = ((octave + 2) * 12 + kSemitones[letter - 'a']) & 0xFF;
  if (at(1) == '#') ++number;
  return std::clamp(number, 0, 127);
}

ScriptStatus ReadNoteScript(std::string_view script, NoteScriptEvents& events) {
  return Reader(script, events).Run();
}

std::vector<ScriptNote> ReadScriptNotes(std::string_view script) {
  NoteCollector collector;
  ReadNoteScript(script, collector);
  return collector.Finish();
}

}  // namespace tonvale
