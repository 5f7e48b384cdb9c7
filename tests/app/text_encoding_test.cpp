#include "app/text_encoding.h"

#include <gtest/gtest.h>

namespace tonvale {
namespace {

TEST(TextEncodingTest, RoundTripsTheProgramsJapaneseText) {
  // U+3000 is 81 40, U+FF1A 81 46, U+FF5E 81 60 in code page 932.
  std::string utf8 = "GM音源音色(1～128)　： 1";
  std::string cp932 = Utf8ToCp932(utf8);
  EXPECT_EQ(cp932.substr(0, 2), "GM");
  EXPECT_NE(cp932.find("\x81\x60"), std::string::npos);
  EXPECT_NE(cp932.find("\x81\x40\x81\x46"), std::string::npos);
  EXPECT_EQ(Cp932ToUtf8(cp932), utf8);
  // Half-width katakana of the file dialog's filter.
  EXPECT_EQ(Cp932ToUtf8(Utf8ToCp932("Waveﾌｧｲﾙ(*.wav)")), "Waveﾌｧｲﾙ(*.wav)");
}

TEST(TextEncodingTest, DamagedInputIsReplacedNotDropped) {
  EXPECT_EQ(Cp932ToUtf8("a\x81"), "a\xEF\xBF\xBD");  // a lead byte cut off at the end
  EXPECT_EQ(Cp932ToUtf8("\xA0z"), "\xEF\xBF\xBDz");  // not a code page 932 byte
  EXPECT_EQ(Utf8ToCp932("é😀x"), "??x");              // not in code page 932
  EXPECT_EQ(Utf8ToCp932("\xC3x"), "?x");             // broken UTF-8
}

TEST(TextEncodingTest, Utf8ValidationRejectsMalformedSequences) {
  EXPECT_TRUE(IsValidUtf8("plain"));
  EXPECT_TRUE(IsValidUtf8("設定変更.txt 😀"));
  EXPECT_FALSE(IsValidUtf8("\xC0\xAF"));          // overlong
  EXPECT_FALSE(IsValidUtf8("\xED\xA0\x80"));      // surrogate
  EXPECT_FALSE(IsValidUtf8("\xF4\x90\x80\x80"));  // above U+10FFFF
  EXPECT_FALSE(IsValidUtf8("\xE3\x81"));          // cut short
  EXPECT_FALSE(IsValidUtf8(Utf8ToCp932("設定変更")));
}

}  // namespace
}  // namespace tonvale
