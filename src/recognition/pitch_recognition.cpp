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

  WorkFile lumps;
  if (!ReadStageInput(session, kLumpFileName, "err: cannot open! PeakCombination.txt", lumps)) {
    return 1;
  }
  const int frameRate = lumps.FrameRate();
  const std::string& signalName = lumps.header.signalName;
  log.AppendLog("..Calculated values");
  log.AppendLog(Format("\nTime of the shortest peak is %d [msec]",
                       ReportedShortestTime(settings.Tempo, settings.ShortestNote)));
  log.AppendLog("when musical audio signal is \"" + signalName + "\". ");

  log.AppendLog("");
  log.AppendLog("..Recognized notes");
  std::vector<Note> notes;
  const float maxdB = lumps.MaxdB();
  for (int r = 0; r < lumps.records.size(); ++r) {
    // Cancelled: the previous note script stays.
    if (!session.progress.Advance(r, lumps.records.size())) return 1;
    LumpNote lump = MakeLumpNote(lumps.records.Frequencies(r), lumps.records.Levels(r),
                                 lumps.records.Label(r), frameRate, maxdB);
    if (!IsKeptNote(lump, settings.ShortestPeakMs)) continue;
    notes.push_back({lump.start, lump.end, lump.volume, NoteName(lump.semitone)});
    log.AppendLog(NoteLine(notes.back(), frameRate));
  }

  // The script lies beside the WAVE file; a failed write leaves the previous one.
  if (WriteNoteScript(session, signalName, notes) != 0) return 1;

  log.AppendLog("");
  log.AppendLog("..Carried out pitch recognition.");
  log.AppendLog("..Complete!");
  return 0;
}

}  // namespace tonvale
