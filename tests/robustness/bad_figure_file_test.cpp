// The figures on work files that claim more frames than any recording has.
#include <gtest/gtest.h>

#include <cstdio>
#include <map>
#include <string>

#include "app/numbers.h"
#include "figures/figure_layout.h"
#include "figures/plot_figure.h"
#include "figures/recording_canvas.h"
#include "support/temp_dir.h"

namespace tonvale {
namespace {

class IgnoreErrors : public FigureErrors {
 public:
  void ShowError(const std::string&) override {}
};

// The tick lines and labels of the lump figure of a file with this frame line.
std::vector<std::string> Ticks(const std::string& frameLine) {
  testing::TempDir dir;
  testing::WriteFile(dir.File("PeakCombination.txt"),
                     "MaxdB: 60.00 MindB: 10.00  \r\n" + frameLine + "\r\n/x.wav\r\n" +
                         std::string(177, '-') + "\r\n10: 440.00 60.00 end\r\nend_of_file");
  FigureState state;
  state.PlotNum = 2;
  testing::RecordingCanvas canvas;
  IgnoreErrors errors;
  EXPECT_EQ(PlotFigure(MainFigureLayout(), state, dir.path(), canvas, errors), 0);
  const FigureLayout& layout = MainFigureLayout();
  std::vector<std::string> ticks;
  for (const std::string& op : canvas.operations()) {
    int x0, y0, x1, y1;
    if (std::sscanf(op.c_str(), "Line %d %d %d %d", &x0, &y0, &x1, &y1) == 4 &&
        y0 == layout.tickFrom && y1 == layout.tickTo) {
      ticks.push_back(op);
    } else if (op.starts_with("Text") &&
               op.find(Format(" %d ", layout.timeLabelY)) != std::string::npos) {
      ticks.push_back(op);
    }
  }
  return ticks;
}

// What drawing every tick in turn leaves: per column the line and the label of the last tick
// that lands there, each label covering the earlier ones at its place.
std::vector<std::string> LastTickOfEachColumn(int64_t frames, int64_t frameStep, int frameRate) {
  const FigureLayout& layout = MainFigureLayout();
  std::map<int64_t, int64_t> last;
  for (int64_t k = frameStep; k < frames; k += frameStep) {
    last[layout.tickLeft + layout.tickWidth * k / frames] = k;
  }
  std::vector<std::string> ticks;
  for (const auto& [x, k] : last) {
    ticks.push_back(Format("Line %lld %d %lld %d", static_cast<long long>(x), layout.tickFrom,
                           static_cast<long long>(x), layout.tickTo));
    ticks.push_back(Format("Text %lld %d %lld", static_cast<long long>(x + layout.timeLabelDx),
                           layout.timeLabelY, static_cast<long long>(k * frameRate / 1000)));
  }
  return ticks;
}

TEST(BadFigureFileTest, TicksDenserThanTheColumnsAreDrawnOncePerColumn) {
  // Sparse ticks are all drawn: 2000 s in 50 s steps.
  EXPECT_EQ(Ticks("FrameRate: 1000 LoopCount: 2000"), LastTickOfEachColumn(2000, 50, 1000));
  EXPECT_EQ(Ticks("FrameRate: 1000 LoopCount: 2000").size(), 2u * 39);
  // A tick for every frame, ten to a column.
  EXPECT_EQ(Ticks("FrameRate: 50000 LoopCount: 5000"), LastTickOfEachColumn(5000, 1, 50000));
  // Two billion frames of 50 s: once a tick for each, now one per column of the 501.
  const std::vector<std::string> many = Ticks("FrameRate: 50000 LoopCount: 2147483647");
  EXPECT_EQ(many.size(), 2u * 501);
  // The last is at 107,374,182,300 s, a label that no longer fits 32 bits.
  EXPECT_EQ(many.back(), "Text 538 240 107374182300");
}

}  // namespace
}  // namespace tonvale
