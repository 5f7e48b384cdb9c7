#include "recognition/pitch_recognition.h"

#include <vector>

#include "app/numbers.h"
#include "extraction/work_file.h"
#include "recognition/lump_note.h"
#include "recognition/note_script.h"

namespace tonvale {
namespace {

// Only reported: the shortest note value at the tempo, in milliseconds, kept to 16 bits.
int ReportedShortestTime(int tempo, int shortestNote) {
  if (tempo == 0 || shortestNote == 0) return 0;
  return WrapToInt16(240000 / tempo / shortestNote);
}

std::string NoteLine(const Note& note, int frameRate) {
  std::string line = note.name;
  line += " | ";
  AppendInteger(line, note.start);
  line += '-';
  AppendInteger(line, note.end);
  line += " [ms] | vol:";
  AppendInteger(line, note.volume);
  line += " | 0,0/";
  AppendInteger(line, note.end - note.start + frameRate);
  line += " [ms]\n";
  return line;
}

}  // namespace

int PitchRecognition(Session& session) {
  MessageLog& log = session.log;
  const Settings& settings = session.settings;
  log.AppendLog("..Pitch recognition for successive musical cords");
  log.AppendLog("");
  log.AppendLog("..Argument");
  log.AppendLog(Format("Tempo         is \"%d\".", settings.Tempo));
  log.AppendLog(Format("ShortestNote is \"%d\".", settings.ShortestNote));
  log.AppendLog("Rhythm        is \"" + settings.Rhythm + "\".");
  log.AppendLog(Format("Tone            is \"%d\".", settings.Tone));
  log.AppendLog("");

  // The lumps are read one at a time: only the kept notes are held.
  StageInput lumps(session, kLumpFileName);
  if (!lumps.Open("err: cannot open! PeakCombination.txt")) return 1;
  const int frameRate = lumps.FrameRate();
  const std::string& signalName = lumps.header.signalName;
  const float maxdB = lumps.MaxdB();
  std::vector<Note> notes;
  // The log hears of the notes once the file has been read, where a failed read stops; their
  // lines are made from the notes then rather than held beside them.
  auto logNotes = [&] {
    log.AppendLog("..Calculated values");
    log.AppendLog(Format("\nTime of the shortest peak is %d [msec]",
                         ReportedShortestTime(settings.Tempo, settings.ShortestNote)));
    log.AppendLog("when musical audio signal is \"" + signalName + "\". ");
    log.AppendLog("");
    log.AppendLog("..Recognized notes");
    for (const Note& note : notes) log.AppendLog(NoteLine(note, frameRate));
  };
  int32_t start;
  std::vector<float> frequencies, levels;
  PeakRecordReader& records = lumps.Records();
  while (records.NextRecord(start)) {
    // Cancelled: the previous note script stays.
    if (!session.progress.Advance(lumps.BytesRead(), lumps.Bytes())) {
      logNotes();
      return 1;
    }
    frequencies.clear();
    levels.clear();
    float frequency, level;
    while (records.NextPeak(frequency, level)) {
      frequencies.push_back(frequency);
      levels.push_back(level);
    }
    LumpNote lump = MakeLumpNote(frequencies, levels, start, frameRate, maxdB);
    if (!IsKeptNote(lump, settings.ShortestPeakMs)) continue;
    notes.push_back({lump.start, lump.end, lump.volume, NoteName(lump.semitone)});
  }
  // A file that fails to read part-way is reported before anything is logged of it.
  if (!lumps.Finish()) return 1;
  logNotes();

  // The script lies beside the WAVE file; a failed write leaves the previous one.
  if (WriteNoteScript(session, signalName, notes) != 0) return 1;

  log.AppendLog("");
  log.AppendLog("..Carried out pitch recognition.");
  log.AppendLog("..Complete!");
  return 0;
}

}  // namespace tonvale
