#include "recognition/note_script.h"

#include <algorithm>

#include "app/numbers.h"
#include "app/output_file.h"
#include "app/text_encoding.h"

namespace tonvale {
namespace {

struct Event {
  int64_t time;
  size_t note;
  bool on;
};

}  // namespace

std::string NoteScriptText(const Settings& settings, const std::vector<Note>& notes) {
  std::string text = "tracks 2\n\ntrack{\n0   tempo ";
  AppendInteger(text, settings.Tempo);
  text += "\n0   rhythm ";
  text += Utf8ToCp932(settings.Rhythm);
  text += "\n}\n\ntrack{\n0   tone ";
  AppendInteger(text, settings.Tone);
  text += '\n';

  std::vector<Event> events;
  events.reserve(notes.size() * 2);
  for (size_t i = 0; i < notes.size(); ++i) events.push_back({notes[i].start, i, true});
  for (size_t i = 0; i < notes.size(); ++i) events.push_back({notes[i].end, i, false});
  std::stable_sort(events.begin(), events.end(),
                   [](const Event& x, const Event& y) { return x.time < y.time; });

  int64_t previous = 0;
  for (const Event& event : events) {
    const Note& note = notes[event.note];
    AppendInteger(text, event.time - previous);
    text += "   ";
    text += note.name;
    text += ' ';
    AppendInteger(text, event.on ? note.volume : 0);
    text += '\n';
    previous = event.time;
  }
  text += "}\n";
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
  script.Write(NoteScriptText(session.settings, notes));
  if (!script.Commit()) {
    log.AppendLog("err: cannnot open file");
    return 1;
  }
  return 0;
}

}  // namespace tonvale
