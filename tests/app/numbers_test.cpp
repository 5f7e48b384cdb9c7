#include "app/numbers.h"

#include <gtest/gtest.h>

#include <bit>
#include <charconv>
#include <clocale>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <random>
#include <string>
#include <vector>

namespace tonvale {
namespace {

TEST(NumbersTest, LeadingIntegerFollowsAtoiRules) {
  EXPECT_EQ(LeadingInteger("10"), 10);
  EXPECT_EQ(LeadingInteger("20:"), 20);
  EXPECT_EQ(LeadingInteger("10ms"), 10);
  EXPECT_EQ(LeadingInteger("  -42x"), -42);
  EXPECT_EQ(LeadingInteger("+7"), 7);
  EXPECT_EQ(LeadingInteger("１０"), 0);  // full-width digits are not digits
  EXPECT_EQ(LeadingInteger("abc"), 0);
  EXPECT_EQ(LeadingInteger(""), 0);
  EXPECT_EQ(LeadingInteger("- 5"), 0);
}

TEST(NumbersTest, LeadingIntegerSaturatesInsteadOfOverflowing) {
  EXPECT_EQ(LeadingInteger("99999999999999999999999"), std::numeric_limits<int64_t>::max());
  EXPECT_EQ(LeadingInteger("-99999999999999999999999"), std::numeric_limits<int64_t>::min());
  EXPECT_EQ(LeadingInteger("-9223372036854775808"), std::numeric_limits<int64_t>::min());
  EXPECT_EQ(ClampToInt32(LeadingInteger("5000000000")), std::numeric_limits<int32_t>::max());
}

TEST(NumbersTest, WrapToInt16KeepsTheLowSixteenBits) {
  EXPECT_EQ(WrapToInt16(70000), 4464);
  EXPECT_EQ(WrapToInt16(40000), -25536);
  EXPECT_EQ(WrapToInt16(-1), -1);
  EXPECT_EQ(WrapToInt16(65536), 0);
}

TEST(NumbersTest, LeadingDecimalReadsOnlyFiniteDecimalNumbers) {
  EXPECT_DOUBLE_EQ(LeadingDecimal("441.37"), 441.37);
  EXPECT_DOUBLE_EQ(LeadingDecimal("-1000.00"), -1000.0);
  EXPECT_DOUBLE_EQ(LeadingDecimal("1.5e2x"), 150.0);
  EXPECT_DOUBLE_EQ(LeadingDecimal("2e"), 2.0);
  EXPECT_DOUBLE_EQ(LeadingDecimal(".5"), 0.5);
  EXPECT_DOUBLE_EQ(LeadingDecimal("  +3."), 3.0);
  EXPECT_EQ(LeadingDecimal("nan"), 0.0);
  EXPECT_EQ(LeadingDecimal("inf"), 0.0);
  EXPECT_EQ(LeadingDecimal("-infinity"), 0.0);
  EXPECT_EQ(LeadingDecimal("1e999"), 0.0);
  EXPECT_EQ(LeadingDecimal("0x1p3"), 0.0);
  EXPECT_EQ(LeadingDecimal("."), 0.0);
  EXPECT_EQ(LeadingDecimal("end"), 0.0);
  // The edges of the short route: a bare minus, a signed zero, no digits before or after the
  // point, and 15 against 16 digits.
  EXPECT_EQ(LeadingDecimal("-"), 0.0);
  EXPECT_TRUE(std::signbit(LeadingDecimal("-0.00")));
  EXPECT_EQ(LeadingDecimal("-.25"), -0.25);
  EXPECT_EQ(LeadingDecimal("7."), 7.0);
  EXPECT_EQ(LeadingDecimal("1234567890123.45"), 1234567890123.45);
  EXPECT_EQ(LeadingDecimal("12345678901234.56"), 12345678901234.56);
  // Read back as a float, 441.37 is the float nearest to it.
  EXPECT_EQ(static_cast<float>(LeadingDecimal("441.37")), 441.37f);
}

// Short numbers take a quicker route than long ones; both must give the nearest double.
TEST(NumbersTest, LeadingDecimalGivesTheNearestDoubleForShortAndLongNumbers) {
  std::mt19937_64 random(15);
  std::uniform_real_distribution<double> magnitude(-12.0, 12.0);
  for (int i = 0; i < 20000; ++i) {
    const double value = std::pow(10.0, magnitude(random)) * (i % 2 != 0 ? -1.0 : 1.0);
    std::string text;
    AppendFixed(text, value, i % 19);
    const size_t sign = text[0] == '-' ? 1 : 0;
    double expected = 0.0;
    std::from_chars(text.data() + sign, text.data() + text.size(), expected);
    if (sign != 0) expected = -expected;
    const double read = LeadingDecimal(text);
    ASSERT_EQ(std::memcmp(&read, &expected, sizeof read), 0) << text;
  }
}

// The quick route must give the short route's end and value wherever it answers, and answer
// for every token of up to six whole digits and two decimals. Odd rounds are random bytes.
TEST(NumbersTest, QuickTwoDecimalTokensReadAsTheShortRouteReadsThem) {
  std::mt19937 random(5);
  const std::string_view blanks = " \t\n\v\f\r", others = "0123456789012345-.-./:x\b\x0e\x80\xff";
  std::uniform_int_distribution<size_t> pick(0, blanks.size() + others.size() - 1);
  std::uniform_real_distribution<double> exponent(-3.0, 6.3);
  for (int i = 0; i < 300000; ++i) {
    std::string text;
    if (i % 2 == 0) {
      AppendFixed(text, (i % 4 == 0 ? -1.0 : 1.0) * std::pow(10.0, exponent(random)), 2);
      text += blanks[i / 2 % blanks.size()];
    }
    while (text.size() < kScanFixed2Reach) {
      const size_t k = pick(random);
      text += k < blanks.size() ? blanks[k] : others[k - blanks.size()];
    }
    double quick = 0.5, full = 0.25;
    const char* const end = ScanFixed2Token(text.data(), quick);
    if (i % 2 == 0) {
      ASSERT_EQ(end != nullptr, text.find('.') <= 6 + (text[0] == '-')) << text;
    }
    if (end == nullptr) {
      ASSERT_EQ(quick, 0.5);
      continue;
    }
    ASSERT_EQ(ScanShortDecimal(text.data(), text.data() + text.size(), full), end) << text;
    ASSERT_NE(blanks.find(*end), std::string_view::npos) << text;
    ASSERT_EQ(std::bit_cast<uint64_t>(quick), std::bit_cast<uint64_t>(full)) << text;
  }
}

TEST(NumbersTest, ReadingBackTwoDecimalsGivesWhatParsingTheTextGives) {
  std::mt19937 random(7);
  std::uniform_real_distribution<float> exponent(-12.0f, 20.0f);
  std::vector<float> values = {0.0f,
                               -0.0f,
                               -0.004f,
                               0.005f,
                               0.125f,
                               1.005f,
                               2.675f,
                               440.125f,
                               -40.375f,
                               1e13f,
                               1e15f,
                               3e38f,
                               1e-45f,
                               std::numeric_limits<float>::infinity(),
                               -std::numeric_limits<float>::infinity(),
                               std::numeric_limits<float>::quiet_NaN()};
  for (int i = 0; i < 200000; ++i) {
    // Every bit pattern now and then, otherwise numbers of every magnitude and exact halves.
    const auto bits = static_cast<uint32_t>(random());
    values.push_back(i % 3 == 0 ? std::bit_cast<float>(bits)
                     : i % 3 == 1
                         ? std::pow(10.0f, exponent(random)) * (bits % 2 ? -1.0f : 1.0f)
                         : static_cast<float>(static_cast<int>(bits % 2000000) - 1000000) * 0.005f);
  }
  // Doubles too, as process 1 finds its peaks: every bit pattern, frequencies and levels near a
  // halfway hundredth, and the ends of the range the reader divides exactly.
  std::vector<double> doubles(values.begin(), values.end());
  doubles.insert(doubles.end(), {0.125, 2.675, 1e15 - 0.125, 999999999999999.875, 1e15, 1e300,
                                 -1e300, 4.9e-324, 1e-300, 3.4028235677973366e38});
  for (int i = 0; i < 200000; ++i) {
    const uint64_t bits = (uint64_t{random()} << 32) | random();
    const double near = (static_cast<double>(bits % 1100000) + 0.5) / 200.0;
    doubles.push_back(i % 3 == 0   ? std::bit_cast<double>(bits)
                      : i % 3 == 1 ? std::nextafter(near, bits % 2 ? 0.0 : 1e6)
                                   : -near);
  }
  for (double value : doubles) {
    std::string text;
    AppendFixed(text, value, 2);
    const float expected = NarrowToFloat(LeadingDecimal(text));
    const float read = ReadBackFixed2(value);
    ASSERT_EQ(std::bit_cast<uint32_t>(read), std::bit_cast<uint32_t>(expected)) << text;
  }
}

TEST(NumbersTest, NarrowingToFloatRoundsAndOverflowsToInfinity) {
  EXPECT_EQ(NarrowToFloat(441.37), 441.37f);
  EXPECT_EQ(NarrowToFloat(3.4028234663852886e38), std::numeric_limits<float>::max());
  EXPECT_EQ(NarrowToFloat(0x1.fffffefffffffp127), std::numeric_limits<float>::max());
  EXPECT_EQ(NarrowToFloat(0x1.ffffffp127), std::numeric_limits<float>::infinity());
  EXPECT_EQ(NarrowToFloat(-1e39), -std::numeric_limits<float>::infinity());
}

TEST(NumbersTest, FixedFormattingMatchesPrintfWhateverTheLocale) {
  const double values[] = {
      0.0,   -0.001, 1.005, 2.675,    440.125, -1000.0, 5499.0449, 1e15 + 0.5, 1e15 - 0.125,
      0.125, -0.375, 0.005, 4.9e-324, 1e-300,  9.995,   -99.995,   1e300,      999999999999999.875};
  for (double value : values) {
    std::string ours;
    AppendFixed(ours, value, 2);
    EXPECT_EQ(ours, Format("%0.2f", value)) << value;
  }
  // Random levels and frequencies of every magnitude the files hold, and exact halves.
  std::mt19937_64 random(1);
  std::uniform_real_distribution<double> spread(-2e6, 2e6);
  for (int i = 0; i < 200000; ++i) {
    double value = i % 2 == 0 ? spread(random) / std::pow(10.0, i % 9) : (i / 2) * 0.005;
    std::string ours;
    AppendFixed(ours, value, 2);
    ASSERT_EQ(ours, Format("%0.2f", value)) << value;
  }
  std::string text;
  AppendInteger(text, -25536);
  EXPECT_EQ(text, "-25536");
}

}  // namespace
}  // namespace tonvale
