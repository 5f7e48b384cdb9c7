#include "figures/read_plot_token.h"

#include <gtest/gtest.h>

#include <string>

namespace tonvale {
namespace {

TEST(ReadPlotToken, SkipsWhiteSpaceAndLeavesTheTerminatorUnread) {
  std::string bytes = " \t\v\f\r\nMaxdB: 71.36\r\nend_of_file";
  InputStream in(bytes);
  std::string token;
  ASSERT_EQ(ReadPlotToken(in, token), 0);
  EXPECT_EQ(token, "MaxdB:");
  EXPECT_EQ(in.Peek(), ' ');
  ASSERT_EQ(ReadPlotToken(in, token), 0);
  EXPECT_EQ(token, "71.36");
  EXPECT_EQ(in.Peek(), '\r');
  ASSERT_EQ(ReadPlotToken(in, token), 0);
  EXPECT_EQ(token, "end_of_file");
  EXPECT_TRUE(in.AtEnd());
}

TEST(ReadPlotToken, AtTheEndReportsOneAndKeepsTheBuffer) {
  std::string bytes = "end  \r\n ";
  InputStream in(bytes);
  std::string token;
  ASSERT_EQ(ReadPlotToken(in, token), 0);
  EXPECT_EQ(ReadPlotToken(in, token), 1);
  EXPECT_EQ(token, "end");
  EXPECT_EQ(ReadPlotToken(in, token), 1);
  EXPECT_EQ(token, "end");
}

TEST(ReadPlotToken, LongRunsComeInPiecesOf255Bytes) {
  std::string run(600, 'x');
  run[255] = 'a';  // first byte of the second piece
  std::string bytes = run + " 7";
  InputStream in(bytes);
  std::string token;
  ASSERT_EQ(ReadPlotToken(in, token), 0);
  EXPECT_EQ(token, std::string(255, 'x'));
  ASSERT_EQ(ReadPlotToken(in, token), 0);
  EXPECT_EQ(token, "a" + std::string(254, 'x'));
  ASSERT_EQ(ReadPlotToken(in, token), 0);
  EXPECT_EQ(token, std::string(90, 'x'));
  ASSERT_EQ(ReadPlotToken(in, token), 0);
  EXPECT_EQ(token, "7");

  // Exactly 255 bytes are one piece; the blank after them is still there.
  std::string exact = std::string(255, 'y') + "\nz";
  InputStream in2(exact);
  ASSERT_EQ(ReadPlotToken(in2, token), 0);
  EXPECT_EQ(token.size(), 255u);
  EXPECT_EQ(in2.Peek(), '\n');
}

TEST(ReadPlotToken, BytesAbove127BelongToTokens) {
  std::string bytes = "\xe6\x9b\xb2.wav\xa0x next";
  InputStream in(bytes);
  std::string token;
  ASSERT_EQ(ReadPlotToken(in, token), 0);
  EXPECT_EQ(token, "\xe6\x9b\xb2.wav\xa0x");
}

}  // namespace
}  // namespace tonvale
