#include "recognition/midi_writer.h"

#include "app/numbers.h"
#include "app/output_file.h"
#include "recognition/note_script_compiler.h"

namespace tonvale {
namespace {

std::string CannotOpen(const std::string& name) {
  return "err: Cannot open file: [" + name + "]";
}

}  // namespace

int ConvertTxt2Mid(Session& session, const std::string& txt_name, const std::string& mid_name) {
  MessageLog& log = session.log;
  log.AppendLog("..Conver text to MIDI of format type 1");
  log.AppendLog("");
  log.AppendLog("..Argument");
  log.AppendLog("txt_name  is \"" + txt_name + "\".\n");
  log.AppendLog("mid_name is \"" + mid_name + "\".\n");
  log.AppendLog("");
  // The layout is big-endian on every host; these lines only keep the report's shape.
  log.AppendLog("[Automatic, chooses an endian and generates MIDI]");
  log.AppendLog("");
  log.AppendLog("cpuInfo:     LITTLE Endian");
  log.AppendLog(Format("\n               %d bit architecture\n", 32));
  log.AppendLog("");

  // A script cut short by a read error would still compile: it must not replace the MIDI file.
  std::string script;
  ReadFailure failure;
  if (!ReadFileBytes(txt_name, script, &failure)) {
    log.AppendLog(failure.opened ? CannotReadLine(txt_name, failure.reason) : CannotOpen(txt_name));
    return 1;
  }
  OutputFile midi;
  if (!midi.Open(mid_name, OutputFile::Mode::kBinary)) {
    log.AppendLog(CannotOpen(mid_name));
    return 1;
  }
  std::string bytes;
  // The refined method places its notes to the millisecond, and carries the fractions of ticks
  // so that its MIDI file keeps them there; the faithful method rounds each delay on its own.
  const DelayRounding rounding = session.method == TranscriptionMethod::kRefined
                                     ? DelayRounding::kCarried
                                     : DelayRounding::kEachDelay;
  if (CompileNoteScript(script, bytes, rounding) != ScriptStatus::kOk) {
    log.AppendLog("err: MIDI track error!\n");
    return 1;
  }
  midi.Write(bytes);
  if (!midi.Commit()) {
    log.AppendLog(CannotOpen(mid_name));
    return 1;
  }
  log.AppendLog("..Converted txt into MIDI");
  log.AppendLog("..Complete!");
  return 0;
}

}  // namespace tonvale
