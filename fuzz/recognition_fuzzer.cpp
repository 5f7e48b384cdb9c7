// Processes 2, 3 and 4 on an arbitrary work file: the bytes as the peak file, through peak
// combination (both passes) and pitch recognition; then the bytes as the lump file, through
// pitch recognition. Every note script the program writes must compile, into a valid Standard
// MIDI File. The WAVE path on line 3 is replaced by one in the scratch folder, so that the
// note scripts stay there (a file of fewer lines has no WAVE path, which process 3 refuses).
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "app/input_stream.h"
#include "app/session.h"
#include "app/settings.h"
#include "extraction/work_file.h"
#include "recognition/midi_writer.h"
#include "recognition/peak_combination.h"
#include "recognition/pitch_recognition.h"
#include "support/scratch_folder.h"
#include "support/smf_check.h"

namespace {

using namespace tonvale;

// The bytes with the text of line 3 (after the second line feed) replaced by `name`; bytes
// with fewer lines stay as they are.
std::string WithSignalName(std::string_view bytes, const std::string& name) {
  size_t at = 0;
  for (int line = 0; line < 2; ++line) {
    at = bytes.find('\n', at);
    if (at == std::string_view::npos) return std::string(bytes);
    ++at;
  }
  size_t end = bytes.find('\n', at);
  if (end == std::string_view::npos) end = bytes.size();
  if (end > at && bytes[end - 1] == '\r') --end;
  return std::string(bytes.substr(0, at)) + name + std::string(bytes.substr(end));
}

// True when process 3 would write its script beside `wavePath`, or refuse for want of a name.
bool ScriptStaysHere(std::string_view bytes, const std::string& wavePath) {
  InputStream in(bytes);
  const std::string name = ReadWorkFileHeader(in).signalName;
  return name.empty() || name == wavePath;
}

void CheckWorkFile(const std::string& path) {
  const std::string bytes = fuzz::ReadBytes(path);
  if (bytes.size() < 11 || bytes.compare(bytes.size() - 11, 11, "end_of_file") != 0) std::abort();
}

// The script process 3 wrote converts, and the MIDI file is valid.
void CheckScriptConverts(Session& session, const std::string& wavePath) {
  const std::string midiPath = wavePath + ".mid";
  fuzz::RemoveFile(midiPath);
  if (ConvertTxt2Mid(session, wavePath + ".txt", midiPath) != 0) std::abort();
  if (!fuzz::CheckStandardMidiFile(fuzz::ReadBytes(midiPath)).empty()) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string& folder = fuzz::ScratchFolder("recognition");
  const std::string wavePath = folder + "song.wav";
  const std::string bytes =
      WithSignalName(std::string_view(reinterpret_cast<const char*>(data), size), wavePath);

  Session session(folder);
  session.settings = DefaultSettings();
  fuzz::WriteBytes(session.WorkPath(kPeakFileName), bytes);
  fuzz::RemoveFile(session.WorkPath(kLumpFileName));
  fuzz::RemoveFile(wavePath + ".txt");
  const bool stays = ScriptStaysHere(bytes, wavePath);
  if (PeakCombination(session) == 0) {
    CheckWorkFile(session.WorkPath(kLumpFileName));
    if (stays && PitchRecognition(session) == 0) CheckScriptConverts(session, wavePath);
  }

  if (!stays) return 0;
  fuzz::WriteBytes(session.WorkPath(kLumpFileName), bytes);
  fuzz::RemoveFile(wavePath + ".txt");
  if (PitchRecognition(session) == 0) CheckScriptConverts(session, wavePath);
  return 0;
}
