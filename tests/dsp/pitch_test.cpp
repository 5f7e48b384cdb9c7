#include "dsp/pitch.h"

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <limits>

namespace tonvale {
namespace {

TEST(PitchTest, CentsTruncatedAndSemitonesRoundedHalfUpFromC1) {
  struct Case {
    double frequency;
    int cents;
    int semitone;
  };
  const Case cases[] = {
      {32.7031956625748, 0, 0},
      {440.10f, 4500, 45},  // a float is read as the double it widens to
      {441.02f, 4504, 45},
      {1320.55f, 6402, 64},
      {32.7031956625748 * std::pow(2.0, 49.6 / 1200), 49, 0},
      {32.7031956625748 * std::pow(2.0, 50.5 / 1200), 50, 1},
      {32.7031956625748 * std::pow(2.0, -149.4 / 1200), -149, 0},  // trunc(-0.99) is 0
      {32.7031956625748 * std::pow(2.0, -150.5 / 1200), -150, -1},
      // Beyond 16 bits the cents keep their low bits: the largest float is 147,562 cents above
      // C1, the smallest 184,837 below, and the semitones follow the wrapped cents.
      {std::numeric_limits<float>::max(), 16490, 165},
      {std::numeric_limits<float>::denorm_min(), 11771, 118},
  };
  for (const Case& c : cases) {
    PitchAboveC1 pitch;
    ASSERT_TRUE(PitchOf(c.frequency, pitch)) << c.frequency;
    EXPECT_EQ(pitch.cents, c.cents) << c.frequency;
    EXPECT_EQ(pitch.semitone, c.semitone) << c.frequency;
  }
}

TEST(PitchTest, FrequenciesWithoutAPitch) {
  constexpr double kInfinity = std::numeric_limits<double>::infinity();
  for (double frequency : {0.0, -0.0, -5.0, -kInfinity, kInfinity, std::nan(""),
                           std::numeric_limits<double>::denorm_min()}) {
    PitchAboveC1 pitch{7, 7};
    EXPECT_FALSE(PitchOf(frequency, pitch)) << frequency;
    EXPECT_EQ(pitch.cents, 7);  // left as it was
  }
}

// The look-up must give PitchOf's semitone for every float: checked on every value that a
// "%0.2f" frequency reads back as up to 9 kHz, on every float within 64 of each boundary of
// the table, and outside the table's range.
TEST(SemitoneLookupTest, GivesPitchOfsSemitoneForEveryFloat) {
  const SemitoneLookup lookup;
  constexpr int16_t kNone = INT16_MIN;
  auto expected = [](float f) {
    PitchAboveC1 pitch;
    return PitchOf(f, pitch) ? pitch.semitone : kNone;
  };
  for (int hundredths = 0; hundredths <= 900000; ++hundredths) {
    const float f = static_cast<float>(hundredths / 100.0);
    ASSERT_EQ(lookup.Of(f, kNone), expected(f)) << f;
  }
  int boundaries = 0;
  int16_t previous = expected(16.0f);
  for (uint32_t bits = std::bit_cast<uint32_t>(16.0f); bits < std::bit_cast<uint32_t>(8192.0f);
       bits += 64) {
    const int16_t now = expected(std::bit_cast<float>(bits));
    if (now == previous) continue;
    previous = now;
    ++boundaries;
    for (uint32_t near = bits - 128; near <= bits + 64; ++near) {
      const float f = std::bit_cast<float>(near);
      ASSERT_EQ(lookup.Of(f, kNone), expected(f)) << f;
    }
  }
  EXPECT_GT(boundaries, 100);  // 16 Hz to 8 kHz is nine octaves
  const float nan = std::numeric_limits<float>::quiet_NaN();
  for (float f : {0.0f, -5.0f, 1e-40f, 1.0f, 15.99f, 8192.0f, 1e30f, nan,
                  std::numeric_limits<float>::infinity()}) {
    EXPECT_EQ(lookup.Of(f, kNone), expected(f)) << f;
  }
}

}  // namespace
}  // namespace tonvale
