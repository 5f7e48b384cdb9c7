// The MIDI writer on arbitrary note scripts: the compiler on the bytes, and ConvertTxt2Mid on
// them as a file. Every MIDI file written must be a valid Standard MIDI File, the file must
// hold exactly what the compiler gives, and a failed conversion must leave the previous file.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "app/session.h"
#include "recognition/midi_writer.h"
#include "recognition/note_script_compiler.h"
#include "support/scratch_folder.h"
#include "support/smf_check.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace tonvale;
  const std::string_view script(reinterpret_cast<const char*>(data), size);
  std::string compiled;
  const ScriptStatus status = CompileNoteScript(script, compiled);
  if (status == ScriptStatus::kOk && !fuzz::CheckStandardMidiFile(compiled).empty()) std::abort();

  const std::string& folder = fuzz::ScratchFolder("midi");
  const std::string txt = folder + "song.wav.txt";
  const std::string mid = folder + "song.wav.mid";
  fuzz::WriteBytes(txt, script);
  const std::string previous = "the previous MIDI file";
  fuzz::WriteBytes(mid, previous);
  Session session(folder);
  const int result = ConvertTxt2Mid(session, txt, mid);
  const std::string written = fuzz::ReadBytes(mid);
  if (result == 0) {
    if (status != ScriptStatus::kOk || written != compiled) std::abort();
  } else {
    if (result != 1 || status == ScriptStatus::kOk || written != previous) std::abort();
  }
  return 0;
}
