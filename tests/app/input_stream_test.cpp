#include "app/input_stream.h"

#include <gtest/gtest.h>

#include <bit>
#include <cstdint>
#include <iterator>
#include <string>
#include <vector>

#include "app/numbers.h"
#include "support/temp_dir.h"

namespace tonvale {
namespace {

TEST(InputStreamTest, TokensSplitOnAsciiWhiteSpaceOnly) {
  // U+3000 (an ideographic space) is part of a token, in UTF-8 and in code page 932 alike.
  std::string text = "  a\tb\r\n\vc\f拍子　　： \x81\x40x";
  InputStream in(text);
  EXPECT_EQ(in.ReadToken(), "a");
  EXPECT_EQ(in.ReadToken(), "b");
  EXPECT_EQ(in.ReadToken(), "c");
  EXPECT_EQ(in.ReadToken(), "拍子　　：");
  EXPECT_EQ(in.ReadToken(), "\x81\x40x");
  std::string token = "stale";
  EXPECT_FALSE(in.ReadToken(token));
  EXPECT_EQ(token, "");
  // Long tokens are scanned eight bytes at a time: control characters and bytes from 0x80 on
  // stay inside them, wherever they fall in the eight.
  const std::string controls[] = {std::string("abcdefg\0hijklmnop\x7f", 18), "拍子拍子拍子　x",
                                  "yyyyyyyyyyyyyyyyy\x1f\x0e\x08z",
                                  "\xff\x80\x21\x01\x02\x03\x04\x05"};
  std::string joined;
  for (const std::string& each : controls) joined += each + (joined.size() % 2 ? "\r\n" : " \t");
  InputStream scanned(joined);
  std::string spill;
  std::string_view view;
  for (const std::string& each : controls) {
    ASSERT_TRUE(scanned.ReadTokenView(view, spill));
    EXPECT_EQ(view, each);
  }
  EXPECT_FALSE(scanned.ReadTokenView(view, spill));
}

TEST(InputStreamTest, TheSpaceEndingATokenIsConsumedSoALineReadStartsAfterIt) {
  std::string text = "MaxdB: 1.00 MindB: 2.00\nFrameRate: 10\r\nname\r\n";
  InputStream in(text);
  for (int i = 0; i < 4; ++i) in.ReadToken();
  std::string line;
  ASSERT_TRUE(in.ReadLine(line));
  EXPECT_EQ(line, "FrameRate: 10");  // the LF after "2.00" ended the token
  ASSERT_TRUE(in.ReadLine(line));
  EXPECT_EQ(line, "name");
  EXPECT_FALSE(in.ReadLine(line));
}

TEST(InputStreamTest, SkipLinesCountsLineFeedsOfBothLineEnds) {
  std::string text = "1\r\n2\n3\r\n4\nrest";
  InputStream in(text);
  in.SkipLines(4);
  EXPECT_EQ(in.ReadToken(), "rest");
  in.SkipLines(3);  // past the end: stops quietly
  EXPECT_TRUE(in.AtEnd());
}

TEST(InputStreamTest, FileReadsAcrossBufferBoundariesLikeMemory) {
  // Tokens and lines that straddle the 64 KiB refills must come out whole, wherever a refill
  // cuts them: the leading blanks move the cuts through every byte of the longest number.
  // The tokens are the numbers of the work files and others that only look like them.
  const char* const others[] = {"end", "-",  ".",      "+1.5",       "1e3",   "1234567890.123456",
                                "-.5", "7.", "12.345", "1234567.89", "12.3x", "-0.00"};
  for (int shift = 0; shift < 12; ++shift) {
    std::string text(static_cast<size_t>(shift), ' ');
    std::vector<size_t> starts;
    for (int i = 0; i < 30000; ++i) {
      starts.push_back(text.size());
      text += i % 9 == 0   ? others[(i / 9) % std::size(others)]
              : i % 2 == 0 ? std::to_string(i * 7)
                           : std::to_string(-i) + "." + std::to_string(i % 100);
      text += i % 5 == 0 ? "\r\n" : " ";
    }
    text.pop_back();  // the last token ends the input
    testing::TempDir dir;
    testing::WriteFile(dir.File("big.txt"), text);
    InputStream from_file = InputStream::OpenFile(dir.File("big.txt"));
    InputStream viewed = InputStream::OpenFile(dir.File("big.txt"));
    InputStream numbers = InputStream::OpenFile(dir.File("big.txt"));
    InputStream from_memory(text);
    ASSERT_TRUE(from_file.IsOpen());
    std::string a, b, spill, numberSpill;
    std::string_view view, numberView;
    size_t count = 0;
    while (from_memory.ReadToken(a)) {
      ASSERT_TRUE(from_file.ReadToken(b));
      ASSERT_EQ(a, b);
      ASSERT_TRUE(viewed.ReadTokenView(view, spill));
      ASSERT_EQ(view, a);
      // A number is read on the way, with the value the full reading gives, when the blank
      // after it lies in the same block of the file.
      bool isNumber;
      double value, full;
      ASSERT_TRUE(numbers.ReadNumberTokenView(numberView, numberSpill, isNumber, value));
      ASSERT_EQ(numberView, a);
      const size_t blank = starts[count] + a.size();
      const bool whole =
          ScanShortDecimal(a.data(), a.data() + a.size(), full) == a.data() + a.size();
      ASSERT_EQ(isNumber, whole && blank < text.size() && starts[count] >> 16 == blank >> 16)
          << a << " at " << starts[count];
      if (isNumber) {
        ASSERT_EQ(std::bit_cast<uint64_t>(value), std::bit_cast<uint64_t>(full)) << a;
      }
      ++count;
    }
    EXPECT_FALSE(from_file.ReadToken(b));
    EXPECT_FALSE(viewed.ReadTokenView(view, spill));
    EXPECT_EQ(count, 30000u);
  }
}

TEST(InputStreamTest, UngetStepsBackOverTheLastByteEvenAfterARefill) {
  std::string text(70000, 'x');
  text[65535] = 'a';
  text[65536] = 'b';
  testing::TempDir dir;
  testing::WriteFile(dir.File("f"), text);
  InputStream in = InputStream::OpenFile(dir.File("f"));
  for (int i = 0; i < 65535; ++i) in.Get();
  EXPECT_EQ(in.Get(), 'a');   // the last byte of the first block
  EXPECT_EQ(in.Peek(), 'b');  // the first byte of the next block
  in.Unget();
  EXPECT_EQ(in.Get(), 'a');
  EXPECT_EQ(in.Get(), 'b');
  EXPECT_FALSE(InputStream::OpenFile(dir.File("missing")).IsOpen());
}

}  // namespace
}  // namespace tonvale
