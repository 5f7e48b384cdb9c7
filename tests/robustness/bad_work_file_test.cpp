// Processes 2 and 3 on work files that a user edited, cut short or filled with garbage: each
// either fails with its "err: " lines or writes files that the next process reads, and the
// note script always compiles into a valid MIDI file.
#include <gtest/gtest.h>

#include <limits>
#include <random>
#include <string>
#include <vector>

#include "extraction/work_file.h"
#include "pipeline/process_commands.h"
#include "recognition/note_script_compiler.h"
#include "robustness_fixture.h"
#include "support/smf_check.h"
#include "support/whole_signal.h"

namespace tonvale {
namespace {

using testing::ReadFile;
using testing::WriteFile;

// A work file with the given frame line and records, CR LF line ends as the program writes.
std::string WorkText(const std::string& frameLine, const std::vector<std::string>& records,
                     const std::string& name, bool endOfFile = true) {
  std::string text = "MaxdB: 60.00 MindB: 10.00  \r\n" + frameLine + "\r\n" + name + "\r\n" +
                     std::string(177, '-') + "\r\n";
  for (const std::string& record : records) text += record + "\r\n";
  if (endOfFile) text += "end_of_file";
  return text;
}

// Ten frames of a steady 440 Hz peak and its octave, as process 1 would write them.
std::vector<std::string> SteadyFrames() {
  std::vector<std::string> records;
  for (int m = 1; m <= 10; ++m) {
    records.push_back(std::to_string(10 * m) + ": 440.10 60.00 880.20 50.00 end");
  }
  return records;
}

class BadWorkFileTest : public ::testing::Test {
 protected:
  // Runs processes 2, 3 and 4 on the bytes as the peak file; 0 when all three pass.
  int RunFromPeakFile(const std::string& bytes) {
    WriteFile(folder_.File("PeakExtraction.txt"), bytes);
    if (folder_.Run(RunProcess2, wave_) != 0) return 2;
    if (ReadFile(folder_.File("PeakCombination.txt")).ends_with("end_of_file") == false) return 9;
    return RunFromLumpFile("");
  }
  // Runs processes 3 and 4 on the bytes as the lump file (or on the one in place).
  int RunFromLumpFile(const std::string& bytes) {
    if (!bytes.empty()) WriteFile(folder_.File("PeakCombination.txt"), bytes);
    if (folder_.Run(RunProcess3, wave_) != 0) return 3;
    if (folder_.Run(RunProcess4, wave_) != 0) return 4;
    const std::string problem = fuzz::CheckStandardMidiFile(ReadFile(wave_ + ".mid"));
    EXPECT_EQ(problem, "");
    return problem.empty() ? 0 : 5;
  }

  testing::CommandFolder folder_;
  const std::string wave_ = folder_.File("song.wav");
};

TEST_F(BadWorkFileTest, BinaryGarbageHasNoFrameShift) {
  std::mt19937 random(3);
  std::string garbage;
  for (int i = 0; i < 5000; ++i) {
    // Bytes that hold no digit, so that no number can be read from them.
    char c = static_cast<char>(random() % 256);
    garbage += c >= '0' && c <= '9' ? '\x7F' : c;
  }
  EXPECT_EQ(RunFromPeakFile(garbage), 2);
  EXPECT_EQ(folder_.Log()[folder_.Log().size() - 2], "err: FrameRate is 0 in PeakExtraction.txt!");
  EXPECT_EQ(folder_.Log().back(), "err: PeakCombination が異常終了しました．");
  EXPECT_EQ(RunFromLumpFile(garbage), 3);
  EXPECT_EQ(folder_.Log().back(), "err: PitchRecognition が異常終了しました．");

  // Garbage records under a sound header are read as numbers where they start with one.
  std::string records;
  for (int i = 0; i < 20000; ++i) records += static_cast<char>(random() % 256);
  EXPECT_EQ(RunFromPeakFile(WorkText("FrameRate: 10 LoopCount: 50", {records}, wave_)), 0)
      << folder_.LogText();
}

TEST_F(BadWorkFileTest, MissingEndMarkersStillGiveReadableFiles) {
  const std::string whole = WorkText("FrameRate: 10 LoopCount: 10", SteadyFrames(), wave_);
  ASSERT_EQ(RunFromPeakFile(whole), 0) << folder_.LogText();
  const std::string lumps = ReadFile(folder_.File("PeakCombination.txt"));
  // Without "end_of_file" the records end with the file, and nothing else changes.
  EXPECT_EQ(RunFromPeakFile(WorkText("FrameRate: 10 LoopCount: 10", SteadyFrames(), wave_, false)),
            0);
  EXPECT_EQ(ReadFile(folder_.File("PeakCombination.txt")), lumps);
  // Without "end", a record runs on into the next one: its label is read as a frequency.
  std::vector<std::string> frames = SteadyFrames();
  for (std::string& record : frames) record.resize(record.size() - 4);
  EXPECT_EQ(RunFromPeakFile(WorkText("FrameRate: 10 LoopCount: 10", frames, wave_)), 0)
      << folder_.LogText();
  // A lump file without either.
  std::string cut = lumps.substr(0, lumps.size() - 11);
  for (size_t at = cut.find(" end"); at != std::string::npos; at = cut.find(" end")) {
    cut.erase(at, 4);
  }
  EXPECT_EQ(RunFromLumpFile(cut), 0) << folder_.LogText();
}

TEST_F(BadWorkFileTest, NonFiniteAndHugeNumbersNeverReachTheResults) {
  std::vector<std::string> frames = SteadyFrames();
  frames[2] = "30: nan inf inf nan 440.10 60.00 end";
  frames[3] = "40: 1e999 60.00 440.10 1e999 -1e999 3 end";
  frames[4] = "50: 1e39 60.00 440.10 1e39 3.4e38 3.4e38 end";  // beyond a float: infinity
  frames[5] = "99999999999999999999: 440.10 60.00 end";
  const std::string header = "FrameRate: 10 LoopCount: 10";
  ASSERT_EQ(RunFromPeakFile(WorkText(header, frames, wave_)), 0) << folder_.LogText();
  const std::string lumps = ReadFile(folder_.File("PeakCombination.txt"));
  EXPECT_EQ(lumps.find("nan"), std::string::npos) << lumps;
  // The same numbers in the lump file and in its header.
  std::string edited = WorkText(header, frames, wave_);
  edited.replace(0, 12, "MaxdB: 1e39 ");
  EXPECT_EQ(RunFromLumpFile(edited), 0) << folder_.LogText();
  EXPECT_EQ(RunFromLumpFile(WorkText("FrameRate: 99999999999999 LoopCount: 10", frames, wave_)), 0)
      << folder_.LogText();
}

TEST(WorkFileHeaderTest, LevelsAreWrittenBackInSinglePrecision) {
  WorkFile file;
  ParseWorkFile("MaxdB: 0.1 MindB: 1e39\r\nFrameRate: 10 LoopCount: 3\r\nx\r\n", file);
  const WorkFileHeader header = RewrittenHeader(file);
  EXPECT_EQ(header.MaxdB, static_cast<double>(0.1f));
  // Beyond a float: infinity, written as "inf", which every reader takes for 0.
  EXPECT_EQ(header.MindB, std::numeric_limits<double>::infinity());
  std::string text;
  AppendWorkFileHeader(text, header);
  EXPECT_TRUE(text.starts_with("MaxdB: 0.10 MindB: inf  \n")) << text;
}

TEST_F(BadWorkFileTest, ZeroOrNegativeFrameShiftsAndFrameCounts) {
  for (const char* line : {"FrameRate: 0 LoopCount: 10", "FrameRate: 65536 LoopCount: 10",
                           "FrameRate: x LoopCount: 10"}) {
    EXPECT_EQ(RunFromPeakFile(WorkText(line, SteadyFrames(), wave_)), 2) << line;
    EXPECT_EQ(RunFromLumpFile(WorkText(line, SteadyFrames(), wave_)), 3) << line;
    EXPECT_EQ(folder_.Log()[folder_.Log().size() - 2],
              "err: FrameRate is 0 in PeakCombination.txt!");
  }
  // A negative shift keeps its low 16 bits (-10 is 65526 ms); a frame count of 0 or less
  // links nothing.
  for (const char* line : {"FrameRate: -10 LoopCount: 10", "FrameRate: 10 LoopCount: 0",
                           "FrameRate: 10 LoopCount: -5", "FrameRate: 10 LoopCount: 2147483647"}) {
    EXPECT_EQ(RunFromPeakFile(WorkText(line, SteadyFrames(), wave_)), 0) << line;
    EXPECT_EQ(RunFromLumpFile(WorkText(line, SteadyFrames(), wave_)), 0) << line;
  }
  WriteFile(folder_.File("PeakExtraction.txt"),
            WorkText("FrameRate: 10 LoopCount: 0", SteadyFrames(), wave_));
  ASSERT_EQ(folder_.Run(RunProcess2, wave_), 0);
  EXPECT_TRUE(ReadFile(folder_.File("PeakCombination.txt")).ends_with("-\r\nend_of_file"));
}

TEST_F(BadWorkFileTest, ARecordOfOneHundredThousandPeaks) {
  std::string crowded = "10: ";
  for (int i = 0; i < 100000; ++i) crowded += std::to_string(100 + i % 5000) + ".25 40.00 ";
  crowded += "end";
  std::vector<std::string> frames = SteadyFrames();
  frames[0] = crowded;
  frames[1].replace(0, 2, "20");
  ASSERT_EQ(RunFromPeakFile(WorkText("FrameRate: 10 LoopCount: 10", frames, wave_)), 0);
  ASSERT_EQ(folder_.Run(RunProcess2, wave_), 0);
  EXPECT_NE(folder_.LogText().find("The number of the maximum peaks per frame     = 100000"),
            std::string::npos)
      << folder_.LogText();
  // A lump of 100,000 points: a note of 1000 s.
  std::string steady = "10: ";
  for (int i = 0; i < 100000; ++i) steady += "440.10 60.00 ";
  steady += "end";
  EXPECT_EQ(RunFromLumpFile(WorkText("FrameRate: 10 LoopCount: 1", {steady}, wave_)), 0);
  EXPECT_NE(ReadFile(wave_ + ".txt").find("1000000   a-3 0"), std::string::npos);
}

TEST_F(BadWorkFileTest, ALumpFileWithoutAWavePathWritesNoScript) {
  const std::string lumps = WorkText("FrameRate: 10 LoopCount: 10", SteadyFrames(), "");
  EXPECT_EQ(RunFromLumpFile(lumps), 3);
  EXPECT_EQ(folder_.Log()[folder_.Log().size() - 2],
            "err: PeakCombination.txt に WAVE ファイルのパスがありません．");
  EXPECT_FALSE(testing::FileExists(".txt"));
  EXPECT_EQ(folder_.Run(RunProcess4, wave_), 1);
  EXPECT_EQ(folder_.Log().back(), "err: 認識結果ファイルがありません．");
}

}  // namespace
}  // namespace tonvale
