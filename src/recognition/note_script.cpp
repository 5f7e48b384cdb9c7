#include "recognition/note_script.h"

#include <algorithm>
#include <numeric>

#include "app/numbers.h"
#include "app/output_file.h"
#include "app/text_encoding.h"

namespace tonvale {
namespace {

constexpr size_t kPieceBytes = 1 << 16;

}  // namespace

void WriteNoteScriptText(const Settings& settings, const std::vector<Note>& notes,
                         const std::function<void(std::string_view)>& write) {
  std::string text = "tracks 2\n\ntrack{\n0   tempo ";
  AppendInteger(text, settings.Tempo);
  text += "\n0   rhythm ";
  text += Utf8ToCp932(settings.Rhythm);
  text += "\n}\n\ntrack{\n0   tone ";
  AppendInteger(text, settings.Tone);
  text += '\n';

  // The note-ons in start order and the note-offs in end order, each keeping note order at
  // equal times, merged with the ons first at equal times. Indices, rather than a list of
  // events, keep this small for the notes of a long recording.
  std::vector<uint32_t> ons(notes.size()), offs(notes.size());
  std::iota(ons.begin(), ons.end(), 0u);
  std::iota(offs.begin(), offs.end(), 0u);
  std::stable_sort(ons.begin(), ons.end(),
                   [&](uint32_t x, uint32_t y) { return notes[x].start < notes[y].start; });
  std::stable_sort(offs.begin(), offs.end(),
                   [&](uint32_t x, uint32_t y) { return notes[x].end < notes[y].end; });

  int64_t previous = 0;
  size_t on = 0, off = 0;
  while (on < ons.size() || off < offs.size()) {
    const bool isOn =
        off == offs.size() || (on < ons.size() && notes[ons[on]].start <= notes[offs[off]].end);
    const Note& note = notes[isOn ? ons[on++] : offs[off++]];
    const int64_t time = isOn ? note.start : note.end;
    AppendInteger(text, time - previous);
    text += "   ";
    text += note.name;
    text += ' ';
    AppendInteger(text, isOn ? note.volume : 0);
    text += '\n';
    previous = time;
    if (text.size() >= kPieceBytes) write(text), text.clear();
  }
  text += "}\n";
  write(text);
}

std::string NoteScriptText(const Settings& settings, const std::vector<Note>& notes) {
  std::string text;
  WriteNoteScriptText(settings, notes, [&text](std::string_view piece) { text += piece; });
  return text;
}

int WriteNoteScript(Session& session, const std::string& signalName,
                    const std::vector<Note>& notes) {
  MessageLog& log = session.log;
  // Without a WAVE path there is no place beside it, and ".txt" would land in whatever the
  // working folder is.
  if (signalName.empty()) {
    log.AppendLog("err: PeakCombination.txt に WAVE ファイルのパスがありません．");
    return 1;
  }
  OutputFile script;
  if (!script.Open(signalName + ".txt", OutputFile::Mode::kText)) {
    log.AppendLog("err: cannnot open file");
    return 1;
  }
  WriteNoteScriptText(session.settings, notes,
                      [&script](std::string_view piece) { script.Write(piece); });
  if (!script.Commit()) {
    log.AppendLog("err: cannnot open file");
    return 1;
  }
  return 0;
}

}  // namespace tonvale
