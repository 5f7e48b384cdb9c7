#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

namespace tonvale {

enum class ScriptStatus {
  kOk,
  kTrackError,  // a track without "track{", or the script ends before the count or inside a track
};

// What a note script says, in the order it says it. The script is "tracks N" and then N
// tracks; each track is "track{", items and "}"; an item is a delay token or one event. Values
// are passed on as the script writes them, except where a handler's comment says otherwise.
class NoteScriptEvents {
 public:
  virtual ~NoteScriptEvents() = default;
  // The number of tracks, at most 65,535 (the script is refused beyond).
  virtual void TrackCount(int64_t tracks) = 0;
  virtual void BeginTrack(int64_t track) = 0;
  // A delay in milliseconds before the next event, never negative; delays may come in a row.
  virtual void Delay(int64_t milliseconds) = 0;
  virtual void Tempo(int64_t beatsPerMinute) = 0;
  virtual void Rhythm(int64_t numerator, int64_t denominator) = 0;
  virtual void Tone(int64_t program) = 0;
  // A note name as its MIDI note number, 0 to 127; velocity 0 releases the note.
  virtual void Note(int noteNumber, int64_t velocity) = 0;
  // The closing "}" of a track.
  virtual void EndTrack() = 0;
};

// Reads a note script and tells `events` what it holds. The tokens are separated by white
// space; a note name is a token that starts with a lowercase a to g, with '#' second for a
// sharp and the octave digit third; any other token that is not a keyword is a delay, its
// leading decimal integer (0 without one). On kTrackError the events before the error have
// been told.
ScriptStatus ReadNoteScript(std::string_view script, NoteScriptEvents& events);

// The MIDI note number of a note name: octave digit o (or the third byte's code when it is no
// digit), ((o + 2) x 12 + semitone of the letter) in 8 bits, one up for a '#' in second
// place, held to 0 ... 127. So "c-3" is 60 and "a-3" is 69. `name` starts with a to g.
int NoteNumber(std::string_view name);

// One sounding note of a script: from its note-on to the note-off of the same note number in
// the same track (the earliest still sounding, when several are), in milliseconds from the
// start of the track.
struct ScriptNote {
  int64_t start = 0;
  int64_t end = 0;
  int noteNumber = 0;
  int velocity = 0;  // 1 to 127
  int64_t track = 0;
};

// The notes of a script in the order they start (at equal times, in script order). A note
// that is never released ends where its track ends, or where the script breaks off.
std::vector<ScriptNote> ReadScriptNotes(std::string_view script);

}  // namespace tonvale
