#pragma once

#include <string>
#include <vector>

#include "app/session.h"
#include "support/temp_dir.h"
#include "wavegen/wave_writer.h"

namespace tonvale::testing {

// A program directory with the default settings, and helpers to put recordings into it and run
// process 1 on them.
class ExtractionFolder {
 public:
  ExtractionFolder();

  Session& session() { return session_; }
  Settings& settings() { return session_.settings; }
  std::vector<std::string> log() const { return session_.log.Lines(); }
  std::string Path(const std::string& name) const { return dir_.File(name); }

  // Writes `bytes` as a file of the folder and returns its path.
  std::string Put(const std::string& name, const std::string& bytes);
  // A recording of tones in the folder.
  std::string PutTones(const std::string& name, const std::vector<wavegen::Tone>& tones,
                       double seconds, const wavegen::WaveFormat& format);

  // Runs process 1 on the file; what the decoders of other formats print is dropped.
  int Run(const std::string& wavePath);
  std::string PeakFile() const;

 private:
  TempDir dir_;
  Session session_;
};

// The file's text as the reader sees it: CR LF turned into LF.
std::string WithoutCr(const std::string& text);

// A golden file of tests/extraction/data/.
std::string Golden(const std::string& name);

// The folder of the sample recordings beside the project, or "" when it is absent.
std::string CorpusFolder();

}  // namespace tonvale::testing
