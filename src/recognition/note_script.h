#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "app/session.h"
#include "app/settings.h"

namespace tonvale {

// A note kept by pitch recognition.
struct Note {
  int64_t start = 0;  // ms
  int64_t end = 0;    // ms
  int16_t volume = 0;
  std::string name;  // "a-3"
};

// The note script of the kept notes: two tracks, the first with the tempo and the time
// signature, the second with the instrument and one line per note on and note off. Events come
// in time order; at equal times note-ons come before note-offs and each keeps note order. The
// delta of a line is its time minus the time of the line before (its own time for the first).
// Lines end with "\n"; the caller writes them as text.
std::string NoteScriptText(const Settings& settings, const std::vector<Note>& notes);

// The same text handed to `write` a piece at a time, so that the whole text is never held.
void WriteNoteScriptText(const Settings& settings, const std::vector<Note>& notes,
                         const std::function<void(std::string_view)>& write);

// Writes the note script of the notes beside the WAVE file `signalName` (its path with ".txt"
// appended), with the session's settings. 1 after an "err: " line when there is no WAVE path
// or the script cannot be written; a failed write leaves the previous script.
int WriteNoteScript(Session& session, const std::string& signalName,
                    const std::vector<Note>& notes);

}  // namespace tonvale
