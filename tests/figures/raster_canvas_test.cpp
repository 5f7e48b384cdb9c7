#include "figures/raster/raster_canvas.h"

#include <gtest/gtest.h>

#include <QFontInfo>
#include <QFontMetricsF>
#include <algorithm>

#include <string>
#include <vector>

namespace tonvale {
namespace {

// The canvas as rows of characters: '#' black, '.' white, 'o' anything else.
std::vector<std::string> Picture(const RasterCanvas& canvas, int left, int top, int right,
                                 int bottom) {
  std::vector<std::string> rows;
  for (int y = top; y < bottom; ++y) {
    std::string row;
    for (int x = left; x < right; ++x) {
      Color c = canvas.PixelAt(x, y);
      row += c == kBlack ? '#' : c == kWhite ? '.' : 'o';
    }
    rows.push_back(row);
  }
  return rows;
}

using Rows = std::vector<std::string>;

TEST(RasterCanvas, RectangleAndEllipseLeaveOutTheirRightAndBottomEdges) {
  RasterCanvas canvas(12, 8);
  canvas.FillRect(0, 0, 12, 8, {0, 255, 0});
  canvas.Rectangle(1, 1, 5, 5);
  canvas.Ellipse(6, 1, 10, 5);
  EXPECT_EQ(Picture(canvas, 0, 0, 11, 6), (Rows{"ooooooooooo",  //
                                                "o####oo##oo",  //
                                                "o#..#o#..#o",  //
                                                "o#..#o#..#o",  //
                                                "o####oo##oo",  //
                                                "ooooooooooo"}));
}

TEST(RasterCanvas, LinesStopBeforeTheirEndAndDotsAlternate) {
  RasterCanvas canvas(12, 6);
  canvas.Line(1, 0, 6, 0);
  canvas.Line(0, 5, 0, 1);  // upwards, as the time ticks are drawn
  canvas.SetPixel(2, 2, {255, 0, 0});
  canvas.SelectDottedPen();
  canvas.Line(1, 2, 10, 2);  // over the red pixel: the gaps leave what was there
  canvas.SelectSolidPen();
  canvas.Line(1, 4, 4, 4);
  EXPECT_EQ(Picture(canvas, 0, 0, 12, 6), (Rows{".#####......",  //
                                                "............",  //
                                                "##o#.#.#.#..",  //
                                                "#...........",  //
                                                "####........",  //
                                                "#..........."}));
  // A diagonal leaves out its end point too.
  RasterCanvas diagonal(5, 5);
  diagonal.Line(0, 0, 3, 3);
  EXPECT_EQ(Picture(diagonal, 0, 0, 4, 4), (Rows{"#...", ".#..", "..#.", "...."}));
}

TEST(RasterCanvas, EverythingIsClippedToTheSurface) {
  RasterCanvas canvas(4, 4);
  canvas.SetPixel(-1, 0, kBlack);
  canvas.SetPixel(4, 0, kBlack);
  canvas.Rectangle(-2, -2, 2, 2);
  canvas.Ellipse(2, 2, 6, 6);
  canvas.Line(-1000000, 3, 1000000, 3);
  canvas.Rectangle(1 << 28, 1 << 28, (1 << 28) + 4, (1 << 28) + 4);
  canvas.Ellipse(-(1 << 28), 0, 1 << 28, 4);
  EXPECT_EQ(Picture(canvas, 0, 0, 4, 4), (Rows{".#..",  //
                                               "##..",  //
                                               "...#",  //
                                               "####"}));
}

TEST(RasterCanvas, TextKeepsToItsCellAndTurnsUpwards) {
  RasterCanvas canvas(120, 120);
  canvas.FillRect(0, 0, 120, 120, {0, 0, 255});
  canvas.SelectFont({.height = 32, .width = 8, .face = ""});
  canvas.Text(10, 10, "5");
  // Black on an opaque white box 8 pixels wide and one cell high; nothing outside it.
  int dark = 0;
  for (int y = 0; y < 120; ++y) {
    for (int x = 0; x < 120; ++x) {
      Color c = canvas.PixelAt(x, y);
      bool inBox = x >= 10 && x < 18 && y >= 10 && y < 42;
      if (!inBox) {
        ASSERT_EQ(c, (Color{0, 0, 255})) << x << "," << y;
      } else {
        EXPECT_EQ(c.red, c.blue) << "grey only, at " << x << "," << y;
        dark += c.red < 128;
      }
    }
  }
  EXPECT_GT(dark, 20);

  // Turned by 90 degrees the text grows upwards from its point, its top towards the left.
  RasterCanvas turned(60, 200);
  turned.FillRect(0, 0, 60, 200, {0, 0, 255});
  turned.SelectFont({.height = 16, .width = 7, .escapement = 900, .face = ""});
  turned.Text(5, 172, "Frequency [kHz]");
  int top = 200;
  int bottom = 0;
  for (int y = 0; y < 200; ++y) {
    for (int x = 0; x < 60; ++x) {
      if (turned.PixelAt(x, y) == Color{0, 0, 255}) continue;
      ASSERT_GE(x, 5);
      ASSERT_LT(x, 5 + 16);
      top = std::min(top, y);
      bottom = std::max(bottom, y);
    }
  }
  EXPECT_EQ(bottom, 171);
  EXPECT_LT(top, 172 - 60);  // fifteen characters about 7 pixels each
  EXPECT_GT(top, 172 - 140);
}

TEST(RasterCanvas, FontsMatchTheRequestedCells) {
  RasterCanvas canvas(10, 10);
  QFont label = canvas.FontFor({.height = 10, .width = 5, .face = ""});
  QFontMetricsF metrics(label, &canvas.image());
  EXPECT_NEAR(metrics.height(), 10.0, 1.0);
  EXPECT_NEAR(metrics.horizontalAdvance(QLatin1Char('0')), 5.0, 0.5);
  // A 20-point face at 96 pixels per inch has an em of 27 pixels.
  QFont title = canvas.FontFor({.height = -27, .weight = 400, .face = "Arial"});
  EXPECT_NEAR(title.pointSizeF() * 96.0 / 72.0, 27.0, 0.01);
  EXPECT_TRUE(QFontInfo(title).family() == "Liberation Sans" ||
              QFontInfo(title).family() == "DejaVu Sans")
      << QFontInfo(title).family().toStdString();
}

}  // namespace
}  // namespace tonvale
