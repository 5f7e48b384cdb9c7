#include "figures/plot_figure.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "figures/figure_files.h"
#include "figures/recording_canvas.h"
#include "support/failing_reads.h"
#include "support/temp_dir.h"

namespace tonvale {
namespace {

using testing::FigureFile;
using testing::FigureRecord;
using testing::Frames;
using testing::RecordingCanvas;
using testing::TempDir;
using testing::WriteFile;

bool StartsWith(const std::string& text, const std::string& prefix) {
  return text.rfind(prefix, 0) == 0;
}

class BoxErrors : public FigureErrors {
 public:
  void ShowError(const std::string& text) override { shown.push_back(text); }
  std::vector<std::string> shown;
};

class PlotFigureTest : public ::testing::Test {
 protected:
  int Plot(const FigureLayout& layout, int PlotNum, int DispColor = 0) {
    FigureState state{PlotNum, DispColor};
    LogFigureErrors logErrors(log);
    FigureErrors& errors = layout.errors == FigureLayout::Errors::kMessageBox
                               ? static_cast<FigureErrors&>(box)
                               : static_cast<FigureErrors&>(logErrors);
    return PlotFigure(layout, state, dir.path(), canvas, errors);
  }
  void WritePeaks(const std::string& bytes) { WriteFile(dir.File("PeakExtraction.txt"), bytes); }
  void WriteLumps(const std::string& bytes) { WriteFile(dir.File("PeakCombination.txt"), bytes); }
  std::vector<std::string> TimeLabels() const {
    std::vector<std::string> labels;
    for (const std::string& op : canvas.Matching("Text ")) {
      // Time labels sit on the label row under the frame.
      if (op.find(" 240 ") != std::string::npos) labels.push_back(op.substr(op.rfind(' ') + 1));
    }
    return labels;
  }

  TempDir dir;
  MessageLog log;
  BoxErrors box;
  RecordingCanvas canvas;
};

TEST_F(PlotFigureTest, MainFrameLabelsTitlesAndGridInOrder) {
  WritePeaks(FigureFile(80, 20, 10, 3, Frames(10, 3, {{1000.0f, 50.0f}})));
  ASSERT_EQ(Plot(MainFigureLayout(), 1), 0);
  const std::vector<std::string> expectedStart = {
      "Begin",
      "FillRect 0 0 563 280 255,255,255",
      "Rectangle 40 10 542 237",
      "Font 10 5 0 0 ",
      "Text 30 26 5",
      "Text 30 67 4",
      "Text 30 108 3",
      "Text 30 149 2",
      "Text 30 190 1",
      "Font 16 7 0 0 ",
      "Text 258 254 Time [sec]",
  };
  const std::vector<std::string> expectedEnd = {
      "DottedPen",
      "Line 41 31 541 31",
      "Line 41 72 541 72",
      "Line 41 113 541 113",
      "Line 41 154 541 154",
      "Line 41 195 541 195",
      "SolidPen",
      "Font 16 7 900 0 ",
      "Text 5 172 Frequency [kHz]",
      "End",
  };
  const auto& ops = canvas.operations();
  ASSERT_GT(ops.size(), expectedStart.size() + expectedEnd.size());
  EXPECT_EQ(std::vector<std::string>(ops.begin(), ops.begin() + expectedStart.size()),
            expectedStart);
  EXPECT_EQ(std::vector<std::string>(ops.end() - expectedEnd.size(), ops.end()), expectedEnd);
  EXPECT_TRUE(log.Lines().empty());  // a figure that was drawn leaves the log alone
}

TEST_F(PlotFigureTest, EnlargedTitlesUseATwentyPointArialAndComeFirst) {
  WritePeaks(FigureFile(80, 20, 10, 3, Frames(10, 3, {})));
  ASSERT_EQ(Plot(EnlargedFigureLayout(), 1), 0);
  const auto& ops = canvas.operations();
  auto at = [&](const std::string& op) {
    return std::find(ops.begin(), ops.end(), op) - ops.begin();
  };
  // 20 points at 96 pixels per inch: an em of 27 pixels.
  EXPECT_LT(at("Text 65 457 1"), at("Font -27 0 900 400 Arial"));
  EXPECT_EQ(at("Text 10 410 Frequency [kHz]"), at("Font -27 0 900 400 Arial") + 1);
  EXPECT_EQ(at("Text 501 610 Time [sec]"), at("Font -27 0 0 400 Arial") + 1);
  EXPECT_LT(at("Text 501 610 Time [sec]"), at("DottedPen"));
  EXPECT_EQ(at("Line 81 472 1081 472") + 2, static_cast<long>(ops.size()) - 1);
  EXPECT_EQ(ops.back(), "End");
  EXPECT_EQ(canvas.Matching("Rectangle"), std::vector<std::string>{"Rectangle 80 20 1082 572"});
}

TEST_F(PlotFigureTest, Process1DrawsAllButTheLastFrameBlock) {
  // N = 600 > W: one pixel per frame at 41 + 500 k / 600; 1000 Hz lands on row 195.
  WritePeaks(FigureFile(80, 20, 10, 4,
                        {{10, {{1000.0f, 80.0f}}},
                         {20, {{1000.0f, 80.0f}}},
                         {30, {{1000.0f, 80.0f}, {2000.0f, 20.0f}}},
                         {40, {{3000.0f, 80.0f}}}}));
  ASSERT_EQ(Plot(MainFigureLayout(), 1), 0);
  // N = 4: runs of c + 1 = 126 pixels from 41 + (500 - 125) k / 4.
  auto pixels = canvas.Matching("SetPixel");
  ASSERT_EQ(pixels.size(), 4u * 126);
  EXPECT_EQ(pixels.front(), "SetPixel 134 195 255,0,0");
  EXPECT_EQ(pixels[125], "SetPixel 259 195 255,0,0");
  EXPECT_EQ(pixels[126], "SetPixel 228 195 255,0,0");
  EXPECT_EQ(pixels.back(), "SetPixel 447 154 0,0,255");
  // The 3000 Hz peak of the last block (row 113) is not drawn.
  for (const std::string& op : pixels) EXPECT_EQ(op.find(" 113 "), std::string::npos);
}

TEST_F(PlotFigureTest, OnePixelOrRunsByFrameCount) {
  std::vector<FigureRecord> frames = Frames(10, 600, {{2500.0f, 50.0f}});
  WritePeaks(FigureFile(80, 20, 10, 600, frames));
  ASSERT_EQ(Plot(MainFigureLayout(), 1), 0);
  auto pixels = canvas.Matching("SetPixel");
  ASSERT_EQ(pixels.size(), 599u);
  for (int k = 1; k < 600; k += 37) {
    EXPECT_TRUE(StartsWith(pixels[k - 1], Format("SetPixel %d 134 ", 41 + 500 * k / 600)));
  }

  canvas = RecordingCanvas();
  WritePeaks(FigureFile(80, 20, 10, 250, Frames(10, 250, {{2500.0f, 50.0f}})));
  ASSERT_EQ(Plot(MainFigureLayout(), 1), 0);
  pixels = canvas.Matching("SetPixel");
  ASSERT_EQ(pixels.size(), 249u * 3);
  for (int k = 1; k < 250; k += 31) {
    int x = 41 + 498 * k / 250;
    for (int i = 0; i < 3; ++i) {
      EXPECT_TRUE(StartsWith(pixels[(k - 1) * 3 + i], Format("SetPixel %d 134 ", x + i)));
    }
  }
}

TEST_F(PlotFigureTest, DisplayTypesFilterPointsByBand) {
  // 62 dB in 20 ... 80 dB is level 716 (green to yellow); 20 dB is level 0 (blue).
  WritePeaks(FigureFile(80, 20, 10, 3, Frames(10, 3, {{500.0f, 62.0f}, {4000.0f, 20.0f}})));
  for (int type = 0; type <= 4; ++type) {
    canvas = RecordingCanvas();
    ASSERT_EQ(Plot(MainFigureLayout(), 1, type), 0);
    size_t yellowish = canvas.Matching("SetPixel").size();
    size_t perFrame = 500 / 3 + 1;
    size_t expected = (type <= 3 ? 2 * perFrame : 0) + (type <= 1 ? 2 * perFrame : 0);
    EXPECT_EQ(yellowish, expected) << "type " << type;
    if (type <= 3) {
      EXPECT_FALSE(canvas.Matching("SetPixel 207 216 204,255,0").empty());
    }
  }
}

TEST_F(PlotFigureTest, HeadersWithoutATimeAxisDrawOnlyTheFrame) {
  for (const auto& [rate, loops] : {std::pair{0, 3}, {10, 0}, {-10, 3}, {10, -4}}) {
    WritePeaks(FigureFile(80, 20, rate, loops, Frames(10, 3, {{1000.0f, 50.0f}})));
    WriteLumps(FigureFile(80, 20, rate, loops, {{0, {{1000.0f, 50.0f}, {1000.0f, 50.0f}}}}));
    for (int PlotNum : {1, 2}) {
      canvas = RecordingCanvas();
      ASSERT_EQ(Plot(MainFigureLayout(), PlotNum), 0);
      EXPECT_TRUE(canvas.Matching("SetPixel").empty());
      EXPECT_TRUE(canvas.Matching("Ellipse").empty());
      EXPECT_EQ(canvas.Matching("Line").size(), 5u);  // the grid only
      EXPECT_EQ(canvas.operations().back(), "End");
    }
  }
  // A header cut short reads as zeros.
  WritePeaks("MaxdB: 80.00 MindB: 20.00\r\nFrameRate:");
  canvas = RecordingCanvas();
  EXPECT_EQ(Plot(MainFigureLayout(), 1), 0);
  EXPECT_EQ(canvas.Matching("Line").size(), 5u);
}

TEST_F(PlotFigureTest, ALongSignalNameIsSkippedWhole) {
  std::vector<FigureRecord> frames = Frames(10, 3, {{1000.0f, 50.0f}});
  WritePeaks(FigureFile(80, 20, 10, 3, frames));
  ASSERT_EQ(Plot(MainFigureLayout(), 1), 0);
  std::vector<std::string> shortName = canvas.operations();
  canvas = RecordingCanvas();
  WritePeaks(FigureFile(80, 20, 10, 3, frames, "/data/" + std::string(700, 'n') + " x.wav"));
  ASSERT_EQ(Plot(MainFigureLayout(), 1), 0);
  EXPECT_EQ(canvas.operations(), shortName);
  // An empty name line, and a name that starts with blanks, are a line like any other.
  for (const char* name : {"", "  /data/take1.wav"}) {
    canvas = RecordingCanvas();
    WritePeaks(FigureFile(80, 20, 10, 3, frames, name));
    ASSERT_EQ(Plot(MainFigureLayout(), 1), 0);
    EXPECT_EQ(canvas.operations(), shortName) << '"' << name << '"';
  }
}

TEST_F(PlotFigureTest, Process2MarksStartAndEndOnlyInDisplayTypeZero) {
  // N = 1000 > W = 500. A lump of one pair at 1000 ms and one of three pairs at 2000 ms; an
  // empty lump draws nothing.
  WriteLumps(FigureFile(80, 20, 10, 1000,
                        {{1000, {{1500.0f, 40.0f}}},
                         {3000, {}},
                         {2000, {{1000.0f, 40.0f}, {1010.0f, 40.0f}, {2000.0f, 40.0f}}}}));
  ASSERT_EQ(Plot(MainFigureLayout(), 2, 0), 0);
  // 1500 Hz: trunc(237 - 1500 * 227 / 5512.5) = 175; 40 dB is level 341, (0, 255, 170).
  EXPECT_EQ(canvas.Matching("Ellipse"),
            (std::vector<std::string>{"Ellipse 87 173 91 177", "Ellipse 137 193 141 197"}));
  EXPECT_EQ(canvas.Matching("Rectangle 9"), (std::vector<std::string>{"Rectangle 91 173 95 177"}));
  EXPECT_FALSE(canvas.Matching("Rectangle 142 152 146 156").empty());
  EXPECT_EQ(canvas.Matching("SetPixel"),
            (std::vector<std::string>{"SetPixel 91 175 0,255,170", "SetPixel 141 195 0,255,170",
                                      "SetPixel 141 195 0,255,170", "SetPixel 142 154 0,255,170"}));
  for (int type = 1; type <= 4; ++type) {
    canvas = RecordingCanvas();
    ASSERT_EQ(Plot(MainFigureLayout(), 2, type), 0);
    EXPECT_TRUE(canvas.Matching("Ellipse").empty());
    EXPECT_EQ(canvas.Matching("Rectangle").size(), 1u);  // the frame
  }
}

TEST_F(PlotFigureTest, Process2MarkersKeepOnePixelColumnsForShortPieces) {
  // N = 4 <= W: points are runs, markers stand at 41 + 500 k / 4.
  WriteLumps(FigureFile(80, 20, 10, 4, {{10, {{1500.0f, 50.0f}, {1500.0f, 50.0f}}}}));
  ASSERT_EQ(Plot(MainFigureLayout(), 2, 0), 0);
  EXPECT_EQ(canvas.Matching("Ellipse"), (std::vector<std::string>{"Ellipse 162 173 166 177"}));
  EXPECT_EQ(canvas.Matching("Rectangle 2"),
            (std::vector<std::string>{"Rectangle 291 173 295 177"}));
  EXPECT_EQ(canvas.Matching("SetPixel").size(), 2u * 126);
}

TEST_F(PlotFigureTest, TicksFollowTheLengthOfThePiece) {
  struct Case {
    int FrameRate;
    int N;
    std::vector<int> seconds;
  };
  std::vector<int> everySecond;
  for (int s = 1; s <= 24; ++s) everySecond.push_back(s);
  const Case cases[] = {{10, 2500, everySecond},
                        {10, 5000, {5, 10, 15, 20, 25, 30, 35, 40, 45}},
                        {10, 20000, {50, 100, 150}},
                        {30, 900, {3, 6, 9, 12, 15, 18, 21, 24}}};
  for (const Case& c : cases) {
    std::vector<std::string> expected;
    for (int s : c.seconds) expected.push_back(std::to_string(s));
    WriteLumps(FigureFile(80, 20, c.FrameRate, c.N, {}));
    canvas = RecordingCanvas();
    ASSERT_EQ(Plot(MainFigureLayout(), 2), 0);
    EXPECT_EQ(TimeLabels(), expected) << c.FrameRate << " " << c.N;
    // Process 1 draws the tick of a frame after its block.
    WritePeaks(FigureFile(80, 20, c.FrameRate, c.N, Frames(c.FrameRate, c.N, {})));
    canvas = RecordingCanvas();
    ASSERT_EQ(Plot(MainFigureLayout(), 1), 0);
    EXPECT_EQ(TimeLabels(), expected) << c.FrameRate << " " << c.N;
  }
  // The tick of frame k: a line at 41 + 501 k / N from row 236 up to (not including) 231,
  // its label 3 pixels to the left.
  WriteLumps(FigureFile(80, 20, 30, 900, {}));
  canvas = RecordingCanvas();
  ASSERT_EQ(Plot(MainFigureLayout(), 2), 0);
  EXPECT_FALSE(
      canvas.Matching(Format("Line %d 236 %d 231", 41 + 501 * 100 / 900, 41 + 501 * 100 / 900))
          .empty());
  EXPECT_FALSE(canvas.Matching(Format("Text %d 240 3", 41 + 501 * 100 / 900 - 3)).empty());
}

TEST_F(PlotFigureTest, FilesCutShortStopReadingAndFinishTheFigure) {
  // The peak file ends inside frame 3 of 10: the ticks of frames 1 and 2 only (1 s steps,
  // FrameRate 1000).
  WritePeaks(
      "MaxdB: 80 MindB: 20\nFrameRate: 1000 LoopCount: 10\nx.wav\n---\n1000: 1 50 end\n2000: end\n"
      "3000: 440.0");
  ASSERT_EQ(Plot(MainFigureLayout(), 1), 0);
  EXPECT_EQ(TimeLabels(), (std::vector<std::string>{"1", "2"}));
  EXPECT_EQ(canvas.operations().back(), "End");
  // A lump file without "end_of_file", cut inside a lump: all ticks are drawn.
  WriteLumps(
      "MaxdB: 80 MindB: 20\nFrameRate: 1000 LoopCount: 4\nx.wav\n---\n0: 1000 50 end\n1000: 440");
  canvas = RecordingCanvas();
  ASSERT_EQ(Plot(MainFigureLayout(), 2), 0);
  EXPECT_EQ(TimeLabels(), (std::vector<std::string>{"1", "2", "3"}));
}

TEST_F(PlotFigureTest, AFileThatCannotBeReadToItsEndIsReportedNotDrawnAsIfWhole) {
  WritePeaks(FigureFile(80, 20, 10, 600, Frames(10, 600, {{1000.0f, 50.0f}})));
  testing::FailingReads failing(dir.File("PeakExtraction.txt"), 4000);
  EXPECT_EQ(Plot(MainFigureLayout(), 1), 1);
  EXPECT_GT(failing.Failures(), 0);
  EXPECT_EQ(log.Lines(), std::vector<std::string>{
                             "% err: cannot read! PeakExtraction.txt (Input/output error)"});
}

TEST_F(PlotFigureTest, MainLayoutReportsAMissingFileInTheLog) {
  log.AppendLog("earlier line");
  EXPECT_EQ(Plot(MainFigureLayout(), 1), 1);
  EXPECT_EQ(log.Lines(),
            std::vector<std::string>{"% err: cannot open file > PeakExtraction.txt．"});
  EXPECT_EQ(Plot(MainFigureLayout(), 2), 1);
  EXPECT_EQ(log.Lines(),
            std::vector<std::string>{"% err: cannot open file > PeakComnination.txt．"});
  // The surface is taken and given back without a stroke, so it keeps its picture.
  EXPECT_EQ(canvas.operations(), (std::vector<std::string>{"Begin", "End", "Begin", "End"}));
  EXPECT_TRUE(box.shown.empty());
}

TEST_F(PlotFigureTest, EnlargedLayoutReportsInAMessageBox) {
  EXPECT_EQ(Plot(EnlargedFigureLayout(), 2, 3), 1);
  ASSERT_EQ(box.shown.size(), 1u);
  EXPECT_EQ(box.shown[0], "オープンエラー: " + dir.File("PeakCombination.txt"));
  EXPECT_EQ(Plot(EnlargedFigureLayout(), 0, 3), 1);
  EXPECT_EQ(box.shown.back(), "err: 図を作成できません PlotNum=0, DispColor=3");
  EXPECT_EQ(Plot(EnlargedFigureLayout(), -1, 0), 1);
  EXPECT_EQ(box.shown.back(), "err: 図を作成できません PlotNum=-1, DispColor=0");
  // A figure that is not chosen never touches the surface.
  EXPECT_EQ(canvas.operations(), (std::vector<std::string>{"Begin", "End"}));
  EXPECT_TRUE(log.Lines().empty());
}

}  // namespace
}  // namespace tonvale
