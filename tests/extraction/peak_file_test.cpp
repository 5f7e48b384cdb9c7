#include "extraction/peak_file.h"

#include <gtest/gtest.h>

#include <limits>
#include <string>

namespace tonvale {
namespace {

const std::string kHeader = "MaxdB: 71.36 MindB: 35.02" + std::string(46, ' ') + "\r\n" +
                            "FrameRate: 10 LoopCount: 3\r\n/data/take1.wav\r\n" +
                            std::string(177, '-') + "\r\n";

TEST(PeakFileTest, ReadsRecordsWithTheirLabelsAndPeaksAsFloats) {
  std::string file = kHeader +
                     "10: 220.41 35.02 440.12 71.36 end\r\n"
                     "20: 441.37 70.90 end\r\n"
                     "30: end\r\n"
                     "end_of_file";
  InputStream in(file);
  PeakTable table;
  ASSERT_EQ(ReadPeakFile(in, table), 3);
  EXPECT_EQ(table.Label(0), 10);
  EXPECT_EQ(table.Label(2), 30);
  ASSERT_EQ(table.Count(0), 2);
  EXPECT_EQ(table.Frequencies(0)[1], 440.12f);
  EXPECT_EQ(table.Levels(0)[1], 71.36f);
  EXPECT_EQ(table.Frequencies(1)[0], 441.37f);
  EXPECT_EQ(table.Count(2), 0);
  EXPECT_TRUE(table.Frequencies(2).empty());
  // Records beyond those read are empty rather than out of bounds.
  EXPECT_EQ(table.Count(3), 0);
  EXPECT_EQ(table.Count(-1), 0);
  EXPECT_TRUE(table.Levels(1000).empty());
}

TEST(PeakFileTest, StopsAtTheEndOfInputKeepingAPartialRecord) {
  std::string header_only = kHeader + "end_of_file";
  InputStream empty(header_only);
  PeakTable table;
  EXPECT_EQ(ReadPeakFile(empty, table), 0);

  std::string cut = kHeader + "10: 220.41 35.02 440.12";
  InputStream in(cut);
  ASSERT_EQ(ReadPeakFile(in, table), 1);
  ASSERT_EQ(table.Count(0), 2);
  EXPECT_EQ(table.Levels(0)[1], 0.0f);  // the missing level reads as 0
}

TEST(PeakFileTest, NumbersThatAreNotFiniteOrNotNumbersReadAsZero) {
  std::string file = kHeader + "x: nan inf 1e999 -7.5 1e39 999999999999999 end end_of_file";
  InputStream in(file);
  PeakTable table;
  ASSERT_EQ(ReadPeakFile(in, table), 1);
  EXPECT_EQ(table.Label(0), 0);
  EXPECT_EQ(table.Frequencies(0)[0], 0.0f);
  EXPECT_EQ(table.Levels(0)[0], 0.0f);
  EXPECT_EQ(table.Frequencies(0)[1], 0.0f);
  EXPECT_EQ(table.Levels(0)[1], -7.5f);
  // Past the float range a number narrows to infinity; the longest plain number to its float.
  EXPECT_EQ(table.Frequencies(0)[2], std::numeric_limits<float>::infinity());
  EXPECT_EQ(table.Levels(0)[2], 1e15f);
}

TEST(PeakFileTest, HeaderReadTakesLevelsFrameLineAndTheWholeName) {
  std::string long_name = "/music/" + std::string(400, 'a') + "/曲.wav";
  std::string file = "MaxdB: -1000.00 MindB: 1000.00  \nFrameRate: 10 LoopCount: 200\n" +
                     long_name + "\n" + std::string(177, '-') + "\nend_of_file";
  InputStream in(file);
  WorkFileHeader header = ReadWorkFileHeader(in);
  EXPECT_EQ(header.MaxdB, -1000.0);
  EXPECT_EQ(header.MindB, 1000.0);
  EXPECT_EQ(header.FrameRate, 10);
  EXPECT_EQ(header.LoopCount, 200);
  EXPECT_EQ(header.signalName, long_name);  // never cut at 255 bytes
}

TEST(PeakFileTest, HeaderScanStopsAtTheFirstItemThatDoesNotMatch) {
  std::string file = "MaxdB: 1 MindB: 2  \r\nFrameRate: ten LoopCount: 5\r\nname\r\n";
  InputStream in(file);
  WorkFileHeader header = ReadWorkFileHeader(in);
  EXPECT_EQ(header.FrameRate, 0);
  EXPECT_EQ(header.LoopCount, 0);
  EXPECT_EQ(header.signalName, "name");

  InputStream nothing{std::string_view()};
  WorkFileHeader empty = ReadWorkFileHeader(nothing);
  EXPECT_EQ(empty.FrameRate, 0);
  EXPECT_TRUE(empty.signalName.empty());
}

TEST(PeakFileTest, WrittenHeaderAndRecordsReadBackUnchanged) {
  WorkFileHeader header;
  header.MaxdB = 71.356;
  header.MindB = -3.0;
  header.FrameRate = 10;
  header.LoopCount = 2;
  header.signalName = "/tmp/曲.wav";
  std::string text;
  AppendWorkFileHeader(text, header);
  const float f[] = {440.1f, 1320.55f};
  const float l[] = {60.2f, 31.0f};
  AppendPeakRecord(text, 40, f, l);
  AppendPeakRecord(text, 50, {}, {});
  text += "end_of_file";
  EXPECT_EQ(text.substr(0, text.find('\n') + 1), "MaxdB: 71.36 MindB: -3.00  \n");
  EXPECT_NE(text.find("\n40: 440.10 60.20 1320.55 31.00 end\n50: end\n"), std::string::npos);

  InputStream header_in(text);
  WorkFileHeader back = ReadWorkFileHeader(header_in);
  EXPECT_EQ(back.FrameRate, 10);
  EXPECT_EQ(back.LoopCount, 2);
  EXPECT_EQ(back.signalName, header.signalName);
  InputStream in(text);
  PeakTable table;
  ASSERT_EQ(ReadPeakFile(in, table), 2);
  EXPECT_EQ(table.Frequencies(0)[1], 1320.55f);
  EXPECT_EQ(table.Label(1), 50);
}

}  // namespace
}  // namespace tonvale
