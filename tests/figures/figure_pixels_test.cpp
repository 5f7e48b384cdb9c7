// Figures drawn into an image, checked pixel by pixel.
#include <gtest/gtest.h>

#include <QImage>

#include <string>
#include <vector>

#include "app/numbers.h"
#include "app/session.h"
#include "app/settings.h"
#include "extraction/peak_extraction.h"
#include "figures/figure_files.h"
#include "figures/plot_figure.h"
#include "figures/raster/figure_png.h"
#include "figures/raster/raster_canvas.h"
#include "support/temp_dir.h"
#include "wavegen/wave_writer.h"

namespace tonvale {
namespace {

using testing::FigureFile;
using testing::FigureRecord;
using testing::Frames;
using testing::TempDir;
using testing::WriteFile;

constexpr Color kRed{255, 0, 0};

class NoErrors : public FigureErrors {
 public:
  void ShowError(const std::string& text) override { ADD_FAILURE() << text; }
};

class FigurePixelsTest : public ::testing::Test {
 protected:
  // Draws the figure onto a fresh surface of the layout's size.
  RasterCanvas Draw(const FigureLayout& layout, int PlotNum, int DispColor = 0) {
    RasterCanvas canvas(layout.surfaceWidth, layout.surfaceHeight);
    NoErrors errors;
    EXPECT_EQ(PlotFigure(layout, {PlotNum, DispColor}, dir.path(), canvas, errors), 0);
    return canvas;
  }
  void WritePeaks(const std::string& bytes) { WriteFile(dir.File("PeakExtraction.txt"), bytes); }
  void WriteLumps(const std::string& bytes) { WriteFile(dir.File("PeakCombination.txt"), bytes); }

  TempDir dir;
};

// N frames, only frame `k` holding one peak.
std::vector<FigureRecord> OnePeakAt(int N, int k, float frequency, float level) {
  std::vector<FigureRecord> records = Frames(10, N, {});
  records[k - 1].peaks = {{frequency, level}};
  return records;
}

TEST_F(FigurePixelsTest, APeakAt1000HertzLiesOnOrJustAboveTheKiloHertzLine) {
  WritePeaks(FigureFile(80, 20, 10, 600, Frames(10, 600, {{1000.0f, 80.0f}})));
  RasterCanvas main = Draw(MainFigureLayout(), 1);
  // Row 195 is also the dotted 1 kHz line: its dots (41, 43, ...) lie over the peaks, its gaps
  // let them through.
  EXPECT_EQ(main.PixelAt(42, 195), kRed);
  EXPECT_EQ(main.PixelAt(43, 195), kBlack);
  EXPECT_EQ(main.PixelAt(300, 195), kRed);
  EXPECT_EQ(main.PixelAt(42, 194), kWhite);
  EXPECT_EQ(main.PixelAt(42, 196), kWhite);

  RasterCanvas enlarged = Draw(EnlargedFigureLayout(), 1);
  // N = 600 <= W = 1000: runs of two pixels at 81 + 999 k / 600, one row above the line at 472.
  int x = 81 + 999 * 7 / 600;
  EXPECT_EQ(enlarged.PixelAt(x, 471), kRed);
  EXPECT_EQ(enlarged.PixelAt(x + 1, 471), kRed);
  EXPECT_EQ(enlarged.PixelAt(x, 470), kWhite);
  EXPECT_EQ(enlarged.PixelAt(81, 472), kBlack);
  EXPECT_EQ(enlarged.PixelAt(82, 472), kWhite);  // the gaps of the line before the first run
}

TEST_F(FigurePixelsTest, FramesAreRunsOrSinglePixels) {
  // N = 250: c = 2, frame 100 covers 41 + 498 * 100 / 250 = 240 to 242 on row 134 (2500 Hz).
  WritePeaks(FigureFile(80, 20, 10, 250, OnePeakAt(250, 100, 2500.0f, 80.0f)));
  RasterCanvas runs = Draw(MainFigureLayout(), 1);
  EXPECT_EQ(runs.PixelAt(239, 134), kWhite);
  EXPECT_EQ(runs.PixelAt(240, 134), kRed);
  EXPECT_EQ(runs.PixelAt(242, 134), kRed);
  EXPECT_EQ(runs.PixelAt(243, 134), kWhite);

  // N = 600: frame 300 is the one pixel 41 + 500 * 300 / 600 = 291.
  WritePeaks(FigureFile(80, 20, 10, 600, OnePeakAt(600, 300, 2500.0f, 80.0f)));
  RasterCanvas single = Draw(MainFigureLayout(), 1);
  EXPECT_EQ(single.PixelAt(290, 134), kWhite);
  EXPECT_EQ(single.PixelAt(291, 134), kRed);
  EXPECT_EQ(single.PixelAt(292, 134), kWhite);
}

TEST_F(FigurePixelsTest, DisplayTypesShowTheUpperBandsOnly) {
  // Frame 300 of 600 (column 291): 62 dB at 2500 Hz (row 134), 20 dB = MindB at 3500 Hz
  // (row 92).
  std::vector<FigureRecord> records = Frames(10, 600, {});
  records[299].peaks = {{2500.0f, 62.0f}, {3500.0f, 20.0f}};
  WritePeaks(FigureFile(80, 20, 10, 600, records));
  for (int type = 0; type <= 4; ++type) {
    RasterCanvas canvas = Draw(MainFigureLayout(), 1, type);
    EXPECT_EQ(canvas.PixelAt(291, 134), (type <= 3 ? Color{204, 255, 0} : kWhite)) << type;
    EXPECT_EQ(canvas.PixelAt(291, 92), (type <= 1 ? Color{0, 0, 255} : kWhite)) << type;
  }
}

TEST_F(FigurePixelsTest, LumpMarkersFrameTheFirstAndLastColumns) {
  // N = 1000 > W: a lump of one pair at frame 100 (column 91), 1500 Hz (row 175), 40 dB.
  WriteLumps(FigureFile(80, 20, 10, 1000, {{1000, {{1500.0f, 40.0f}}}}));
  RasterCanvas marked = Draw(MainFigureLayout(), 2, 0);
  // The circle ends one pixel left of the column; the square starts on it, over the point.
  std::vector<std::string> rows;
  for (int y = 172; y < 178; ++y) {
    std::string row;
    for (int x = 86; x < 96; ++x) {
      Color c = marked.PixelAt(x, y);
      row += c == kBlack ? '#' : c == kWhite ? '.' : 'o';
    }
    rows.push_back(row);
  }
  EXPECT_EQ(rows, (std::vector<std::string>{"..........",  //
                                            "..##.####.",  //
                                            ".#..##..#.",  //
                                            ".#..##..#.",  //
                                            "..##.####.",  //
                                            ".........."}));
  for (int type = 1; type <= 4; ++type) {
    RasterCanvas plain = Draw(MainFigureLayout(), 2, type);
    EXPECT_EQ(plain.PixelAt(91, 175), (type <= 2 ? Color{0, 255, 170} : kWhite));
    EXPECT_EQ(plain.PixelAt(90, 175), kWhite);
    EXPECT_EQ(plain.PixelAt(92, 173), kWhite);
  }
}

TEST_F(FigurePixelsTest, TicksStandUnderTheFrameAtWholeSeconds) {
  // 25 s at 10 ms: a tick every second, at 41 + 501 k / 2500, rows 236 up to 232.
  WriteLumps(FigureFile(80, 20, 10, 2500, {}));
  RasterCanvas canvas = Draw(MainFigureLayout(), 2);
  std::vector<int> columns;
  for (int x = 41; x < 541; ++x) {
    if (canvas.PixelAt(x, 234) == kBlack) columns.push_back(x);
  }
  std::vector<int> expected;
  for (int s = 1; s <= 24; ++s) expected.push_back(41 + 501 * (100 * s) / 2500);
  EXPECT_EQ(columns, expected);
  for (int x : expected) {
    EXPECT_EQ(canvas.PixelAt(x, 236), kBlack);
    EXPECT_EQ(canvas.PixelAt(x, 232), kBlack);
    EXPECT_EQ(canvas.PixelAt(x, 231), kWhite);
    // Its label is drawn in the 10-pixel cell under the frame.
    bool inked = false;
    for (int y = 240; y < 250; ++y) {
      for (int dx = -3; dx < 7; ++dx) inked |= canvas.PixelAt(x + dx, y).red < 128;
    }
    EXPECT_TRUE(inked) << x;
  }
}

TEST_F(FigurePixelsTest, EnlargedLabelsStayClearOfTheFrame) {
  WritePeaks(FigureFile(80, 20, 10, 900, Frames(10, 900, {})));
  RasterCanvas canvas = Draw(EnlargedFigureLayout(), 1);
  for (int y = 20; y < 572; ++y) {
    ASSERT_EQ(canvas.PixelAt(80, y), kBlack) << y;
    ASSERT_EQ(canvas.PixelAt(1081, y), kBlack) << y;
    for (int x = 73; x < 80; ++x) ASSERT_EQ(canvas.PixelAt(x, y), kWhite) << x << "," << y;
  }
  // The labels themselves are inked, each inside its 8-pixel cell.
  for (int y : {57, 157, 257, 357, 457}) {
    int dark = 0;
    for (int dy = 0; dy < 32; ++dy) {
      for (int x = 65; x < 73; ++x) dark += canvas.PixelAt(x, y + dy).red < 128;
    }
    EXPECT_GT(dark, 10) << y;
  }
}

TEST_F(FigurePixelsTest, NotesAreBarsAtTheirRowsAndTimesOverFadedLumps) {
  // 6 s at 10 ms. c-3 (MIDI 60) at full velocity from 1 to 2 s, a-3 (69) at velocity 64 from
  // 2.5 to 4 s; a lump at c-4 (523.25 Hz) at MaxdB from frame 100 to 199.
  const std::string song = dir.File("song.wav");
  std::vector<FigureRecord> lumps = {{1000, {}}};
  for (int k = 0; k < 100; ++k) lumps[0].peaks.push_back({523.25f, 80.0f});
  WriteLumps(FigureFile(80, 20, 10, 600, lumps, song));
  WriteFile(song + ".txt",
            "tracks 2\r\n\r\ntrack{\r\n0   tempo 120\r\n0   rhythm 4 / 4\r\n}\r\n\r\n"
            "track{\r\n0   tone 1\r\n1000   c-3 127\r\n1000   c-3 0\r\n500   a-3 64\r\n"
            "1500   a-3 0\r\n}\r\n");
  constexpr Color kFullVelocity{255, 0, 0};  // level colour 1023
  constexpr Color kVelocity64{3, 255, 0};    // level colour 64 x 1023 / 127 = 515
  constexpr Color kFadedRed{255, 179, 179};  // a lump at MaxdB, faded towards white
  // Two octaves, c-3 to c-5, fill the inside of the frame: 225 rows, 9.375 a semitone; a note
  // n is the band of rows from floor(236 - (n - 60 + 1) x 9.375) to floor(236 - (n - 60) x
  // 9.375), bottom excluded. A time t ms lies at column 41 + 500 t / 6000.
  const struct {
    int x;
    int y;
    Color colour;
    const char* what;
  } pixels[] = {
      {124, 228, kBlack, "c-3 starts at 1 s (124) with a dark edge"},
      {125, 228, kFullVelocity, "inside c-3"},
      {206, 226, kFullVelocity, "the last column and top row of c-3"},
      {207, 228, kWhite, "c-3 ends before 2 s (207)"},
      {150, 225, kWhite, "above c-3"},
      {300, 150, kVelocity64, "the bottom row of a-3 (142 to 150)"},
      {300, 142, kVelocity64, "the top row of a-3"},
      {300, 141, kWhite, "above a-3"},
      {373, 146, kVelocity64, "a-3 ends before 4 s (374)"},
      {374, 146, kWhite, "after a-3"},
      {41 + 500 * 150 / 600, 118, kFadedRed, "the lump, on the band of c-4 (114 to 123)"},
      {41 + 500 * 150 / 600, 117, kWhite, "one row of lump only"},
      {41, 123, kBlack, "the dotted line under c-4"},
      {42, 123, kWhite, "its gap"},
  };
  RasterCanvas main = Draw(MainFigureLayout(), 3);
  for (const auto& p : pixels) EXPECT_EQ(main.PixelAt(p.x, p.y), p.colour) << p.what;
  // The octave labels "c-3" and "c-4", centred on their bands, left of the frame.
  for (int labelTop : {226, 113}) {
    int dark = 0;
    for (int y = labelTop; y < labelTop + 10; ++y) {
      for (int x = 22; x < 40; ++x) dark += main.PixelAt(x, y).red < 128;
    }
    EXPECT_GT(dark, 5) << labelTop;
  }

  // The same notes in the enlarged layout: 550 rows, 22.917 a semitone; 81 + 1000 t / 6000.
  RasterCanvas enlarged = Draw(EnlargedFigureLayout(), 3);
  EXPECT_EQ(enlarged.PixelAt(247, 560), kBlack);
  EXPECT_EQ(enlarged.PixelAt(248, 548), kFullVelocity);
  EXPECT_EQ(enlarged.PixelAt(248, 547), kWhite);
  EXPECT_EQ(enlarged.PixelAt(413, 560), kFullVelocity);
  EXPECT_EQ(enlarged.PixelAt(414, 560), kWhite);
}

TEST_F(FigurePixelsTest, PicturesAreWrittenAsPngFiles) {
  WriteLumps(FigureFile(80, 20, 10, 1000, {{1000, {{1500.0f, 40.0f}}}}));
  NoErrors errors;
  const std::string path = dir.File("song.wav.process2.png");
  ASSERT_EQ(WriteFigurePng(MainFigureLayout(), 2, dir.path(), path, errors), 0);
  QImage image(QString::fromStdString(path));
  ASSERT_EQ(image.width(), MainFigureLayout().surfaceWidth);
  ASSERT_EQ(image.height(), MainFigureLayout().surfaceHeight);
  EXPECT_EQ(image.pixel(88, 173), qRgb(0, 0, 0));  // the start circle
  EXPECT_EQ(image.pixel(91, 174), qRgb(0, 0, 0));  // the end square

  // Without its work file nothing is written, and an earlier picture stays.
  class Collect : public FigureErrors {
   public:
    void ShowError(const std::string& text) override { shown = text; }
    std::string shown;
  } collect;
  ASSERT_EQ(WriteFigurePng(EnlargedFigureLayout(), 1, dir.path(), path, collect), 1);
  EXPECT_EQ(collect.shown, "オープンエラー: " + dir.File("PeakExtraction.txt"));
  EXPECT_EQ(QImage(QString::fromStdString(path)).width(), MainFigureLayout().surfaceWidth);
}

TEST_F(FigurePixelsTest, AToneOf1000HertzFromProcess1LiesOnTheKiloHertzLine) {
  Session session(dir.path());
  session.settings = DefaultSettings();
  const std::string wave = dir.File("tone.wav");
  ASSERT_TRUE(wavegen::WriteWave(wave, {{1000.0, 0.0, 1.5, 0.5, 1}}, 1.5, {11025, 1, 16}));
  ASSERT_EQ(PeakExtraction(session, wave), 0);

  // Where the tone sounds, the loudest peak of each frame is the tone itself: the figure shows
  // a line of colour on the 1 kHz row from the first columns to the last.
  for (const FigureLayout* layout : {&MainFigureLayout(), &EnlargedFigureLayout()}) {
    RasterCanvas canvas = Draw(*layout, 1);
    const int row = layout == &MainFigureLayout() ? 195 : 471;
    int coloured = 0;
    int red = 0;
    for (int x = layout->dataLeft; x < layout->dataLeft + layout->dataWidth; ++x) {
      Color c = canvas.PixelAt(x, row);
      coloured += c != kWhite && c != kBlack;
      red += c == kRed;
    }
    EXPECT_GT(coloured, layout->dataWidth / 3) << row;
    EXPECT_GT(red, 0) << row;
  }
}

}  // namespace
}  // namespace tonvale
