#include "dsp/pitch.h"

#include <gtest/gtest.h>

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

}  // namespace
}  // namespace tonvale
