// Processes 2, 3 and 4 on a small peak file, against the files they wrote when their output
// was last checked by hand. TONVALE_UPDATE_GOLDEN=1 rewrites the golden files.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "app/settings.h"
#include "recognition/midi_writer.h"
#include "recognition/peak_combination.h"
#include "recognition/pitch_recognition.h"
#include "support/temp_dir.h"

namespace tonvale {
namespace {

void ExpectGolden(const std::string& actual, const std::string& name) {
  const std::string path = TONVALE_TEST_DATA + name;
  const char* update = std::getenv("TONVALE_UPDATE_GOLDEN");
  if (update != nullptr && std::string(update) == "1") testing::WriteFile(path, actual);
  EXPECT_EQ(actual, testing::ReadFile(path)) << name;
}

// Replaces the third line (the WAVE path) of a work file.
std::string WithSignalName(const std::string& file, const std::string& name) {
  size_t second = file.find('\n', file.find('\n') + 1) + 1;
  size_t third = file.find('\n', second);
  return file.substr(0, second) + name + "\r" + file.substr(third);
}

TEST(RecognitionChainTest, WritesTheGoldenLumpFileNoteScriptAndMidiFile) {
  testing::TempDir dir;
  Session session(dir.path());
  session.settings = DefaultSettings();
  testing::WriteFile(dir.File("PeakExtraction.txt"),
                     testing::ReadFile(TONVALE_TEST_DATA "peak_extraction.txt"));
  ASSERT_EQ(PeakCombination(session), 0);
  const std::string lumps = testing::ReadFile(dir.File("PeakCombination.txt"));
  ExpectGolden(lumps, "peak_combination.golden");

  const std::string wave = dir.File("テイク1.wav");
  testing::WriteFile(dir.File("PeakCombination.txt"), WithSignalName(lumps, wave));
  ASSERT_EQ(PitchRecognition(session), 0);
  ExpectGolden(testing::ReadFile(wave + ".txt"), "note_script.golden");

  ASSERT_EQ(ConvertTxt2Mid(session, wave + ".txt", wave + ".mid"), 0);
  ExpectGolden(testing::ReadFile(wave + ".mid"), "midi_file.golden");
}

}  // namespace
}  // namespace tonvale
