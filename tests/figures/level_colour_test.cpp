#include "figures/level_colour.h"

#include <gtest/gtest.h>

namespace tonvale {
namespace {

TEST(LevelColour, LevelNumbersAndBandColours) {
  // 80 / 20 dB: 62 dB is 71.68 tenths of the scale, level 716, green to yellow.
  EXPECT_EQ(LevelNumber(62.0, 80.0, 20.0), 716);
  EXPECT_EQ(LevelColour(716), (Color{204, 255, 0}));
  EXPECT_EQ(LevelNumber(20.0, 80.0, 20.0), 0);
  EXPECT_EQ(LevelColour(0), (Color{0, 0, 255}));
  EXPECT_EQ(LevelColour(255), (Color{0, 255, 255}));
  EXPECT_EQ(LevelColour(256), (Color{0, 255, 255}));
  EXPECT_EQ(LevelColour(511), (Color{0, 255, 0}));
  EXPECT_EQ(LevelColour(767), (Color{255, 255, 0}));
  EXPECT_EQ(LevelColour(768), (Color{255, 255, 0}));
}

TEST(LevelColour, LevelsAtAndBeyondTheEndsTakeTheEndColours) {
  // The loudest peak lies at MaxdB, 1024 on the scale: red, not the wrapped yellow.
  EXPECT_EQ(LevelNumber(80.0, 80.0, 20.0), 1023);
  EXPECT_EQ(LevelColour(LevelNumber(80.0, 80.0, 20.0)), (Color{255, 0, 0}));
  EXPECT_EQ(LevelNumber(95.0, 80.0, 20.0), 1023);
  EXPECT_EQ(LevelNumber(-5.0, 80.0, 20.0), 0);
  EXPECT_EQ(LevelNumber(1e300, 80.0, 20.0), 1023);
  // Equal levels would make the scale infinite: everything is drawn in the top band.
  EXPECT_EQ(LevelNumber(50.0, 50.0, 50.0), 1023);
  EXPECT_EQ(LevelNumber(10.0, 50.0, 50.0), 1023);
  // The header of a file without peaks (-1000 / 1000) still gives numbers in range.
  int u = LevelNumber(40.0, -1000.0, 1000.0);
  EXPECT_GE(u, 0);
  EXPECT_LE(u, 1023);
}

TEST(LevelColour, DisplayTypesHideTheLowerBands) {
  struct Case {
    int DispColor;
    bool shown[4];  // bands 0..3
  };
  const Case cases[] = {{0, {true, true, true, true}},
                        {1, {true, true, true, true}},
                        {2, {false, true, true, true}},
                        {3, {false, false, true, true}},
                        {4, {false, false, false, true}}};
  for (const Case& c : cases) {
    for (int band = 0; band < 4; ++band) {
      EXPECT_EQ(LevelShown(band * 256, c.DispColor), c.shown[band]) << c.DispColor << band;
      EXPECT_EQ(LevelShown(band * 256 + 255, c.DispColor), c.shown[band]) << c.DispColor;
    }
  }
}

}  // namespace
}  // namespace tonvale
