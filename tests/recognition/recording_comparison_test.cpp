// Peak combination on the peak files of real and generated recordings: the fast passes must
// write the same bytes as the straightforward ones.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "app/settings.h"
#include "extraction/peak_extraction.h"
#include "literal_combination.h"
#include "recognition/peak_combination.h"
#include "support/temp_dir.h"
#include "wavegen/wave_writer.h"

namespace tonvale {
namespace {

// Runs process 1 on the recording, then compares process 2 with the literal passes, with
// proposed methods 1 and 2 on and off.
void ExpectSameLumpFiles(const std::string& wave) {
  for (const char* method1 : {"あり", "なし"}) {
    testing::TempDir dir;
    Session session(dir.path());
    session.settings = DefaultSettings();
    session.settings.ProposedMethod1 = method1;
    const int extracted = PeakExtraction(session, wave);
    ASSERT_EQ(extracted, 0) << wave;
    const std::string peakFile = testing::ReadFile(dir.File("PeakExtraction.txt"));
    for (const char* method2 : {"あり", "なし"}) {
      session.settings.ProposedMethod2 = method2;
      ASSERT_EQ(PeakCombination(session), 0) << wave;
      const std::string lumps = testing::ReadFile(dir.File("PeakCombination.txt"));
      EXPECT_GT(lumps.size(), 1000u) << wave;
      EXPECT_EQ(lumps, testing::LiteralLumpFile(peakFile, session.settings))
          << wave << " with methods " << method1 << " " << method2;
    }
  }
}

TEST(RecordingComparisonTest, GeneratedMelodyAndChords) {
  testing::TempDir dir;
  double seconds = 0;
  std::vector<wavegen::Tone> tones = wavegen::DemoMelody(&seconds);
  for (wavegen::Tone& tone : tones) tone.harmonics = 4;
  const std::string wave = dir.File("melody.wav");
  ASSERT_TRUE(wavegen::WriteWave(wave, tones, seconds, {.sampleRate = 44100, .channels = 2}));
  ExpectSameLumpFiles(wave);
}

TEST(RecordingComparisonTest, SampleRecordings) {
  const std::string corpus = TONVALE_CORPUS;
  std::error_code error;
  if (!std::filesystem::is_directory(corpus, error)) {
    GTEST_SKIP() << "no sample recordings beside the project";
  }
  int compared = 0;
  for (const auto& entry : std::filesystem::directory_iterator(corpus)) {
    const std::string path = entry.path().string();
    // Recordings below the analysis rate are refused by process 1.
    if (entry.path().extension() != ".wav" || path.find("_8k") != std::string::npos) continue;
    ExpectSameLumpFiles(path);
    ++compared;
  }
  EXPECT_GT(compared, 0);
}

}  // namespace
}  // namespace tonvale
