#include "extraction_fixture.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "extraction/peak_extraction.h"
#include "extraction/work_file.h"

namespace tonvale::testing {

ExtractionFolder::ExtractionFolder() : session_(dir_.path()) {
  session_.settings = DefaultSettings();
}

std::string ExtractionFolder::Put(const std::string& name, const std::string& bytes) {
  WriteFile(dir_.File(name), bytes);
  return dir_.File(name);
}

std::string ExtractionFolder::PutTones(const std::string& name,
                                       const std::vector<wavegen::Tone>& tones, double seconds,
                                       const wavegen::WaveFormat& format) {
  return Put(name,
             wavegen::EncodeWave({wavegen::Render(tones, seconds, format.sampleRate)}, format));
}

int ExtractionFolder::Run(const std::string& wavePath) {
  // The decoders of other formats may print notes about damaged files.
  ::testing::internal::CaptureStderr();
  const int result = PeakExtraction(session_, wavePath);
  ::testing::internal::GetCapturedStderr();
  return result;
}

std::string ExtractionFolder::PeakFile() const {
  return ReadFile(dir_.File(kPeakFileName));
}

std::string WithoutCr(const std::string& text) {
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') continue;
    out += text[i];
  }
  return out;
}

std::string Golden(const std::string& name) {
  return ReadFile(std::string(TONVALE_EXTRACTION_DATA) + name);
}

std::string CorpusFolder() {
  const std::string folder = TONVALE_CORPUS;
  return std::filesystem::is_directory(folder) ? folder : "";
}

}  // namespace tonvale::testing
