#include "extraction/proposed_method1.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "extraction/work_file.h"
#include "extraction_fixture.h"

namespace tonvale {
namespace {

using testing::ExtractionFolder;

std::string PeakFileText(int loopCount, const std::vector<std::string>& records) {
  std::string text = "MaxdB: 60.20 MindB: 31.00" + std::string(46, ' ') + "\n" +
                     "FrameRate: 10 LoopCount: " + std::to_string(loopCount) +
                     "\n/data/take1.wav\n" + std::string(177, '-') + "\n";
  for (size_t i = 0; i < records.size(); ++i) {
    text += std::to_string(10 * (i + 1)) + ": " + records[i] + "end\n";
  }
  return text + "end_of_file";
}

std::string Rewrite(const std::string& peakFile, int shift) {
  InputStream headerIn(peakFile);
  const WorkFileHeader header = ReadWorkFileHeader(headerIn);
  InputStream in(peakFile);
  PeakRecordReader frames(in);
  std::string out;
  WritePersistentPeaks(header, frames, shift, [&](std::string_view text) { out += text; });
  return out;
}

TEST(ProposedMethod1Test, ShiftRules) {
  EXPECT_EQ(AdjacentShiftFrames("オート", 512, 10), 3);
  EXPECT_EQ(AdjacentShiftFrames("オート", 100, 10), 0);  // -10 / 110
  EXPECT_EQ(AdjacentShiftFrames("オート", 10, 10), 0);   // negative counts as 0
  EXPECT_EQ(AdjacentShiftFrames("660", 512, 10), 6);
  EXPECT_EQ(AdjacentShiftFrames("100", 512, 10), 0);
  EXPECT_EQ(AdjacentShiftFrames("-5000", 512, 10), 0);
  EXPECT_EQ(AdjacentShiftFrames("自動", 512, 10), 0);
  EXPECT_EQ(AdjacentShiftFrames("660", 512, 0), 0);
}

// On one thread the pass parses the file as it goes; on two, a thread of its own parses ahead.
TEST(ProposedMethod1Test, WorkedExampleMovesThePersistentPeakRFramesLater) {
  for (unsigned threads : {1u, 2u}) {
    ExtractionFolder folder;
    folder.session().analysisThreads = threads;
    folder.Put(kPeakFileName, PeakFileText(5, {"440.10 60.20 1320.55 31.00 ", "", "",
                                               "441.02 57.90 ", "100.00 20.00 "}));
    ASSERT_EQ(ProposedMethod1Pass(folder.session()), 0);
    EXPECT_EQ(folder.PeakFile(), testing::Golden("proposed_method1_worked.golden")) << threads;
    EXPECT_EQ(testing::WithoutCr(folder.PeakFile()),
              "MaxdB: 60.20 MindB: 31.00  \nFrameRate: 10 LoopCount: 5\n/data/take1.wav\n" +
                  std::string(177, '-') +
                  "\n10: end\n20: end\n30: end\n40: 440.10 60.20 end\n50: end\nend_of_file");
    EXPECT_EQ(folder.log(), (std::vector<std::string>{
                                "", "..Extracted peaks using proposed method 1", "..Complete!"}));
  }
}

TEST(ProposedMethod1Test, LevelGapBelowTenDecibelsAndRepeatsPerMatch) {
  // 60.9 against 51.0 is a gap of 9.9, kept; 61.0 against 51.0 is 10, dropped.
  EXPECT_NE(
      Rewrite(PeakFileText(2, {"440.00 60.90 ", "440.00 51.00 "}), 1).find("20: 440.00 60.90 end"),
      std::string::npos);
  EXPECT_NE(Rewrite(PeakFileText(2, {"440.00 61.00 ", "440.00 51.00 "}), 1).find("20: end"),
            std::string::npos);
  // R = 0: each peak meets itself and every other peak of its semitone within 10 dB.
  const std::string same = Rewrite(PeakFileText(1, {"440.00 60.00 441.00 55.00 880.00 40.00 "}), 0);
  EXPECT_NE(same.find("10: 440.00 60.00 440.00 60.00 441.00 55.00 441.00 55.00 880.00 40.00 end"),
            std::string::npos);
  // Peaks without a pitch (0 Hz or below, or too large for a float) match nothing, not even
  // themselves.
  EXPECT_NE(Rewrite(PeakFileText(1, {"0.00 60.00 -3.00 60.00 1e39 60.00 "}), 0).find("10: end"),
            std::string::npos);
}

TEST(ProposedMethod1Test, ShiftNotBelowTheFrameCountGivesOnlyEmptyRecords) {
  const std::string out = Rewrite(PeakFileText(2, {"440.00 60.00 ", "440.00 60.00 "}), 3);
  EXPECT_EQ(out.substr(out.find("-\n") + 2), "10: end\n20: end\n30: end\nend_of_file");
  // A header that promises more frames than the file holds: the missing ones are empty.
  const std::string longer = Rewrite(PeakFileText(4, {"440.00 60.00 "}), 0);
  EXPECT_EQ(longer.substr(longer.find("-\n") + 2),
            "10: 440.00 60.00 end\n20: end\n30: end\n40: end\nend_of_file");
}

TEST(ProposedMethod1Test, MissingPeakFileIsReported) {
  ExtractionFolder folder;
  EXPECT_EQ(ProposedMethod1Pass(folder.session()), 1);
  EXPECT_EQ(folder.log().back(), "err: cannot open! PeakExtract.txt");
}

}  // namespace
}  // namespace tonvale
