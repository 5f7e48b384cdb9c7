#include "extraction/peak_extraction.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cmath>
#include <string>
#include <vector>

#include "app/input_stream.h"
#include "extraction/peak_file.h"
#include "extraction/peak_picker.h"
#include "extraction_fixture.h"

namespace tonvale {
namespace {

using testing::ExtractionFolder;
using wavegen::Tone;
using wavegen::WaveFormat;

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  InputStream in(text);
  std::string line;
  while (in.ReadLine(line)) lines.push_back(line);
  return lines;
}

TEST(PeakExtractionTest, WorkedExampleOfTwoSecondsAt44100Hz) {
  ExtractionFolder folder;
  folder.settings().ProposedMethod1 = "なし";
  const std::string path =
      folder.PutTones("take.wav", {{440.0, 0.0, 2.0, 0.5, 3}}, 2.0, WaveFormat{44100, 1, 16});
  // Everything goes to the log: printed lines would break the command line's progress line.
  ::testing::internal::CaptureStderr();
  ASSERT_EQ(PeakExtraction(folder.session(), path), 0);
  EXPECT_EQ(::testing::internal::GetCapturedStderr(), "");
  const std::vector<std::string> expectedLog = {
      "..Peak-frequency extraction",
      "",
      "..Argument",
      "FileName      is \"" + path + "\".",
      "FrameRate    is \"10\".",
      "FrameLength is \"512\".",
      "VirtualLength is \"4096\".",
      "Window        is \"ハミング窓\".",
      "",
      "..File header information was addressed to \"Wave_File_Format.txt\".",
      "",
      "..Information on this header file",
      "WaveFmt_Data[0] is \"176436\".\n",
      "WaveFmt_Data[1] is \"16\".\n",
      "WaveFmt_Data[2] is \"1\".\n",
      "WaveFmt_Data[3] is \"1\".\n",
      "WaveFmt_Data[4] is \"44100\".\n",
      "WaveFmt_Data[5] is \"88200\".\n",
      "WaveFmt_Data[6] is \"2\".\n",
      "WaveFmt_Data[7] is \"16\".\n",
      "WaveFmt_Data[8] is \"176400\".\n",
      "WaveFmt_Data[9] is \"44\".\n",
      "",
      "      Amplitude is \"mini: -21845\" and \"maxi: 21845\".\n",
      "",
      "..Down-sampling was carried out.",
      "First sample in the last frame is 176400*16 / 16 = 22000 [samples].\n",
      "Loop-count is 200 [times].",
      "",
      "..The analysis result was addressed to \"PeakExtraction.txt\".",
      "OK!",
  };
  std::vector<std::string> log = folder.log();
  // The amplitude depends on the rendering; check its form and compare the rest.
  ASSERT_EQ(log.size(), expectedLog.size());
  EXPECT_EQ(log[23].rfind("      Amplitude is \"mini: ", 0), 0u);
  log[23] = expectedLog[23];
  EXPECT_EQ(log, expectedLog);

  const std::string file = folder.PeakFile();
  const std::vector<std::string> lines = Lines(file);
  ASSERT_EQ(lines.size(), 4u + 200u + 1u);
  EXPECT_EQ(lines[1], "FrameRate: 10 LoopCount: 200");
  EXPECT_EQ(lines[2], path);
  EXPECT_EQ(lines[3], std::string(177, '-'));
  EXPECT_EQ(lines[4].rfind("10: ", 0), 0u);
  EXPECT_EQ(lines[203].rfind("2000: ", 0), 0u);
  EXPECT_EQ(lines.back(), "end_of_file");
  EXPECT_EQ(file.find('\n'), 72u);  // 71 characters, then CR LF
  EXPECT_EQ(file[71], '\r');
  EXPECT_EQ(HighestPeakBin(4096), 2042);
  // Real arithmetic: 4086 * 11025 / 8192 = 5499.0 passes, 4087 would give 5500.3.
  EXPECT_EQ(HighestPeakBin(8192), 4085);
  EXPECT_EQ(HighestPeakBin(16384), 8172);

  PeakTable table;
  InputStream in(file);
  ASSERT_EQ(ReadPeakFile(in, table), 200);
  EXPECT_EQ(table.Label(199), 2000);
  // The tone and its harmonics, and nothing at or above 5500 Hz.
  int withTone = 0;
  for (int r = 0; r < table.size(); ++r) {
    for (float f : table.Frequencies(r)) {
      ASSERT_LT(f, 5500.0f);
      if (std::fabs(f - 440.0f) < 3.0f) ++withTone;
    }
  }
  EXPECT_GE(withTone, 195);
}

// The filter blocks and the frames are shared out among threads; the peak file and the log
// must not show how many there were. The recordings are long enough for several batches of
// filter blocks and of frames at every thread count.
TEST(PeakExtractionTest, ThreadCountDoesNotChangeTheOutput) {
  const std::vector<wavegen::Tone> tones = {
      {440.0, 0.0, 6.0, 0.3, 4}, {659.3, 1.0, 5.0, 0.2, 3}, {1318.5, 2.5, 4.0, 0.2, 1}};
  for (const WaveFormat& format : {WaveFormat{44100, 2, 16}, WaveFormat{11025, 1, 16}}) {
    std::string firstFile;
    std::vector<std::string> firstLog;
    for (unsigned threads : {1u, 2u, 5u}) {
      ExtractionFolder folder;
      folder.session().analysisThreads = threads;
      const std::string path = folder.PutTones("take.wav", tones, 12.0, format);
      ASSERT_EQ(folder.Run(path), 0);
      // Each folder has a path of its own.
      std::vector<std::string> log = folder.log();
      log[3].clear();
      std::string file = folder.PeakFile();
      file.erase(file.find(path), path.size());
      if (threads == 1) {
        firstFile = file;
        firstLog = log;
        continue;
      }
      EXPECT_EQ(file, firstFile) << format.sampleRate << " Hz, " << threads << " threads";
      EXPECT_EQ(log, firstLog) << threads;
    }
  }
}

TEST(PeakExtractionTest, ToneAtTheAnalysisRateIsNotDownSampledAndIsRefined) {
  ExtractionFolder folder;
  folder.settings().ProposedMethod1 = "なし";
  const std::string path =
      folder.PutTones("a4.wav", {{440.0, 0.0, 1.0, 0.5, 1}}, 1.0, WaveFormat{11025, 1, 16});
  ASSERT_EQ(folder.Run(path), 0);
  for (const std::string& line : folder.log()) {
    EXPECT_EQ(line.find("Down-sampling"), std::string::npos);
  }
  PeakTable table;
  const std::string file = folder.PeakFile();
  InputStream in(file);
  ASSERT_EQ(ReadPeakFile(in, table), 100);
  const double binWidth = 11025.0 / 4096;
  for (int r = 2; r < 95; ++r) {  // frames away from the fades
    int near = 0;
    for (float f : table.Frequencies(r)) {
      if (std::fabs(f - 440.0f) < binWidth * 4) {
        ++near;
        // The refinement is exact for a rectangular window; the Hamming window's wider main
        // lobe leaves a bias of about two hertz.
        EXPECT_NEAR(f, 440.0, 3.0) << "frame " << r;
        EXPECT_NE(std::fmod(f, binWidth), 0.0);
      }
    }
    EXPECT_EQ(near, 1) << "frame " << r;
  }
}

TEST(PeakExtractionTest, SilenceGivesTheStartingLevelsAndEmptyRecords) {
  ExtractionFolder folder;
  folder.settings().ProposedMethod1 = "なし";
  const std::string path = folder.PutTones("silence.wav", {}, 0.05, WaveFormat{22050, 2, 8});
  ASSERT_EQ(folder.Run(path), 0);
  const std::vector<std::string> lines = Lines(folder.PeakFile());
  std::string first = "MaxdB: -1000.00 MindB: 1000.00";
  first.resize(71, ' ');
  EXPECT_EQ(lines[0], first);
  EXPECT_EQ(lines[1], "FrameRate: 10 LoopCount: 5");
  EXPECT_EQ(lines[4], "10: end");
  EXPECT_EQ(lines[8], "50: end");
  EXPECT_EQ(lines[9], "end_of_file");
}

TEST(PeakExtractionTest, ShorterThanOneFrameShiftGivesNoRecords) {
  ExtractionFolder folder;
  folder.settings().ProposedMethod1 = "なし";
  const std::string path =
      folder.PutTones("short.wav", {{440.0, 0.0, 0.005, 0.5, 1}}, 0.005, WaveFormat{44100, 1, 16});
  ASSERT_EQ(folder.Run(path), 0);
  const std::string file = folder.PeakFile();
  const std::vector<std::string> lines = Lines(file);
  ASSERT_EQ(lines.size(), 5u);
  EXPECT_EQ(lines[1], "FrameRate: 10 LoopCount: 0");
  EXPECT_EQ(file.substr(file.size() - 13), "\r\nend_of_file");
  const auto& log = folder.log();
  EXPECT_NE(std::find(log.begin(), log.end(), "Loop-count is 0 [times]."), log.end());
  EXPECT_EQ(log.back(), "OK!");
}

TEST(PeakExtractionTest, RateBelowTheAnalysisRateLeavesAnEmptyPeakFile) {
  ExtractionFolder folder;
  const std::string path =
      folder.PutTones("low.wav", {{440.0, 0.0, 0.2, 0.5, 1}}, 0.2, WaveFormat{8000, 1, 16});
  testing::WriteFile(folder.Path("PeakExtraction.txt"), "old");
  EXPECT_EQ(folder.Run(path), 1);
  EXPECT_EQ(folder.log().back(), "err: サンプリングレートが11025.00Hz以上でないと解析できません．");
  EXPECT_EQ(folder.PeakFile(), "");
}

TEST(PeakExtractionTest, UnknownWindowFailsAfterTheFirstFrameLabel) {
  ExtractionFolder folder;
  folder.settings().Window = "Hamming";
  const std::string path =
      folder.PutTones("w.wav", {{440.0, 0.0, 0.1, 0.5, 1}}, 0.1, WaveFormat{11025, 1, 16});
  EXPECT_EQ(folder.Run(path), 1);
  EXPECT_EQ(folder.log().back(),
            "error! 窓の種類が不明．窓の種類...ブラックマン窓・ハニング窓・ハミング窓・方形窓・"
            "三角窓・なし");
  EXPECT_EQ(folder.log()[folder.log().size() - 2], "");
  const std::string file = folder.PeakFile();
  EXPECT_EQ(file.substr(file.size() - 7), "-\r\n10: ");
}

TEST(PeakExtractionTest, SettingsAndFormatsThatCannotBeAnalysedAreRefusedWithAnErrLine) {
  ExtractionFolder folder;
  const std::string path =
      folder.PutTones("t.wav", {{440.0, 0.0, 0.1, 0.5, 1}}, 0.1, WaveFormat{11025, 1, 16});
  testing::WriteFile(folder.Path("PeakExtraction.txt"), "old");
  folder.settings().VirtualLength = 3000;
  EXPECT_EQ(folder.Run(path), 1);
  EXPECT_EQ(folder.log().back().rfind("err: ", 0), 0u);
  EXPECT_EQ(folder.PeakFile(), "old");  // refused before any file is touched
  EXPECT_FALSE(testing::FileExists(folder.Path("Wave_File_Format.txt")));

  ExtractionFolder fast;
  const std::string high = fast.Put(
      "high.wav", wavegen::EncodeWave({std::vector<double>(100, 0.1)}, WaveFormat{2000000, 1, 16}));
  EXPECT_EQ(fast.Run(high), 1);
  EXPECT_EQ(fast.log().back(), "err: サンプリングレートが1000000.00Hz以下でないと解析できません．");

  // A 12-bit file: the header names 12 bits and the samples are not analysed.
  ExtractionFolder deep;
  std::string bytes = wavegen::EncodeWave({std::vector<double>(99, 0.1)}, WaveFormat{11025, 1, 16});
  bytes[34] = 12;
  EXPECT_EQ(deep.Run(deep.Put("deep.wav", bytes)), 1);
  EXPECT_EQ(deep.log().back().rfind("err: ", 0), 0u);

  ExtractionFolder broken;
  EXPECT_EQ(broken.Run(broken.Put("a\nb.wav", bytes)), 1);
  EXPECT_EQ(broken.log().back().rfind("err: ", 0), 0u);
}

TEST(PeakExtractionTest, PeakFileMatchesTheGoldenFile) {
  // The path is written into the file, so the recording is named relative to the folder.
  ExtractionFolder folder;
  folder.settings().ProposedMethod1 = "なし";
  folder.PutTones("chord.wav", {{261.63, 0.0, 0.08, 0.3, 3}, {329.63, 0.0, 0.08, 0.3, 3}}, 0.08,
                  WaveFormat{11025, 1, 16});
  char* previous = getcwd(nullptr, 0);
  ASSERT_EQ(chdir(folder.Path("").c_str()), 0);
  const int result = folder.Run("chord.wav");
  ASSERT_EQ(chdir(previous), 0);
  free(previous);
  ASSERT_EQ(result, 0);
  EXPECT_EQ(folder.PeakFile(), testing::Golden("peak_extraction_chord.golden"));
}

}  // namespace
}  // namespace tonvale
