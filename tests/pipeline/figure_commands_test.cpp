#include "pipeline/figure_commands.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "figures/figure_files.h"
#include "figures/recording_canvas.h"
#include "support/fake_process_host.h"
#include "support/temp_dir.h"

namespace tonvale {
namespace {

using testing::FigureFile;
using testing::Frames;
using testing::RecordingCanvas;
using testing::TempDir;
using testing::WriteFile;

// A main window reduced to its plot frame: records the display type of every figure drawn.
struct PlotFrameHost : testing::FakeProcessHost {
  explicit PlotFrameHost(Session& session) {
    plotter = [this, &session](int PlotNum) {
      RecordingCanvas canvas;
      const int result = PlotMainFigure(session, PlotNum, canvas);
      if (result == 0) plots.push_back(session.mainFigure.DispColor);
      return result;
    };
  }
  std::vector<int> plots;
};

class FakeEnlargedView : public EnlargedFigureView, public FigureErrors {
 public:
  explicit FakeEnlargedView(Session& session) : session_(session) {}
  int PlotEnlarged() override {
    RecordingCanvas canvas;
    int result = PlotEnlargedFigure(session_, canvas, *this);
    if (result == 0) plots.push_back(session_.enlargedFigure);
    return result;
  }
  void ShowError(const std::string& text) override { boxes.push_back(text); }

  std::vector<FigureState> plots;
  std::vector<std::string> boxes;

 private:
  Session& session_;
};

class FigureCommandsTest : public ::testing::Test {
 protected:
  void WriteBothFiles() {
    WriteFile(dir.File("PeakExtraction.txt"),
              FigureFile(80, 20, 10, 3, Frames(10, 3, {{440.0f, 60.0f}})));
    WriteFile(dir.File("PeakCombination.txt"),
              FigureFile(80, 20, 10, 3, {{0, {{440.0f, 60.0f}, {441.0f, 61.0f}}}}, song));
    WriteFile(song + ".txt", "tracks 1 track{ 0 a-3 90 20 a-3 0 }");
  }
  std::vector<std::string> Log() const { return session.log.Lines(); }

  TempDir dir;
  Session session{dir.path()};
  PlotFrameHost host{session};
  std::string song = dir.File("song.wav");
};

TEST_F(FigureCommandsTest, PlotButtonsExplainTheFigureInTheLog) {
  WriteBothFiles();
  session.log.AppendLog("older");
  ASSERT_EQ(ShowProcess1Figure(session, host), 0);
  ASSERT_EQ(Log().size(), 8u);
  EXPECT_EQ(Log()[0], "% プロセス 1 を表示しました．");
  EXPECT_EQ(Log()[1], "Display type 0");
  EXPECT_EQ(Log()[2], "Figure is Process 1 \"Extracting peak frequencies.\"");
  EXPECT_EQ(Log()[3], "");
  EXPECT_EQ(Log()[4], "「説明」");
  EXPECT_EQ(Log()[7], "の推定したピーク周波数を表す．");
  EXPECT_EQ(session.mainFigure.PlotNum, 1);

  ASSERT_EQ(ShowProcess2Figure(session, host), 0);
  ASSERT_EQ(Log().size(), 9u);
  EXPECT_EQ(Log()[0], "% プロセス 2 を表示しました．");
  EXPECT_EQ(Log()[2], "Figure is Process 2 \"Combining peak frequencies.\"");
  EXPECT_EQ(Log()[3], "");
  EXPECT_EQ(Log()[8], "点，四角い印は終端を示す．");
  EXPECT_EQ(session.mainFigure.PlotNum, 2);
}

TEST_F(FigureCommandsTest, AFailedPlotLeavesOnlyItsErrorLine) {
  ASSERT_EQ(ShowProcess2Figure(session, host), 1);
  EXPECT_EQ(Log(), std::vector<std::string>{"% err: cannot open file > PeakComnination.txt．"});
  // The figure was chosen before the file was opened, so "chmod" tries process 2 again.
  ChangeMainDisplayType(session, host);
  EXPECT_EQ(session.mainFigure.DispColor, 1);
  EXPECT_EQ(Log(), std::vector<std::string>{"% err: cannot open file > PeakComnination.txt．"});
  ASSERT_EQ(ShowProcess1Figure(session, host), 1);
  EXPECT_EQ(Log(), std::vector<std::string>{"% err: cannot open file > PeakExtraction.txt．"});

  // The notes need the lump file and the note script it names.
  session.mainFigure.PlotNum = 3;
  ChangeMainDisplayType(session, host);
  EXPECT_EQ(Log(), std::vector<std::string>{"% err: cannot open file > PeakComnination.txt．"});
  WriteBothFiles();
  std::remove((song + ".txt").c_str());
  ChangeMainDisplayType(session, host);
  EXPECT_EQ(Log(), std::vector<std::string>{"% err: cannot open file > " + song + ".txt．"});
  WriteBothFiles();
  ChangeMainDisplayType(session, host);
  EXPECT_EQ(Log(),
            (std::vector<std::string>{"% 図の表示形式を変更しました．", "Display type 4",
                                      "Figure is Process 3 \"Recognizing musical notes.\""}));
  EXPECT_EQ(host.plots, std::vector<int>{4});
}

TEST_F(FigureCommandsTest, ChmodCyclesFiveTypesAndRedraws) {
  WriteBothFiles();
  ChangeMainDisplayType(session, host);  // nothing plotted yet: two lines, no figure
  EXPECT_EQ(Log(), (std::vector<std::string>{"% 図の表示形式を変更しました．", "Display type 1"}));
  EXPECT_TRUE(host.plots.empty());

  ASSERT_EQ(ShowProcess2Figure(session, host), 0);
  for (int press = 0; press < 5; ++press) ChangeMainDisplayType(session, host);
  EXPECT_EQ(session.mainFigure.DispColor, 1);
  EXPECT_EQ(host.plots, (std::vector<int>{1, 2, 3, 4, 0, 1}));
  EXPECT_EQ(Log(),
            (std::vector<std::string>{"% 図の表示形式を変更しました．", "Display type 1",
                                      "Figure is Process 2 \"Combining peak frequencies.\""}));
  // After the settings reset forgets the figure, chmod draws nothing.
  session.mainFigure.PlotNum = -1;
  ChangeMainDisplayType(session, host);
  EXPECT_EQ(Log().size(), 2u);
  EXPECT_EQ(host.plots.size(), 6u);
}

TEST_F(FigureCommandsTest, EnlargedWindowButtons) {
  WriteBothFiles();
  FakeEnlargedView view(session);
  MessageLog list;
  session.enlargedFigure = {2, 3};
  session.mainFigure.DispColor = 4;
  ResetEnlargedFigure(session);
  ShowEnlargedHelp(list);
  ASSERT_EQ(list.Lines().size(), 6u);
  EXPECT_EQ(list.Lines()[0], "% 解析結果を拡大してプロットをします．");
  EXPECT_EQ(list.Lines()[1], "");
  EXPECT_EQ(list.Lines()[3], "・\"re-draw\" 各プロセスの結果を描画または再描画．");
  EXPECT_EQ(list.Lines()[5], "・\"chpros\" 図示するプロセスの変更．");
  EXPECT_TRUE(view.plots.empty());  // nothing is drawn until a button is pressed

  RedrawEnlargedFigure(session, view, list);
  EXPECT_EQ(list.Lines(),
            (std::vector<std::string>{"% 再描画しました．", "Display type 0",
                                      "Figure is Process 1 \"Extracting peak frequencies.\""}));
  ChangeEnlargedProcess(session, view, list);
  EXPECT_EQ(list.Lines()[0], "% 表示するプロセスを変更しました．");
  EXPECT_EQ(list.Lines()[2], "Figure is Process 2 \"Combining peak frequencies.\"");
  ChangeEnlargedDisplayType(session, view, list);
  EXPECT_EQ(list.Lines()[0], "% 図の表示形式を変更しました．");
  EXPECT_EQ(list.Lines()[1], "Display type 1");
  ChangeEnlargedProcess(session, view, list);
  EXPECT_EQ(list.Lines()[2], "Figure is Process 3 \"Recognizing musical notes.\"");
  ChangeEnlargedProcess(session, view, list);
  ASSERT_EQ(view.plots.size(), 5u);
  EXPECT_EQ(view.plots[1].PlotNum, 2);
  EXPECT_EQ(view.plots[3].PlotNum, 3);
  EXPECT_EQ(view.plots[4].PlotNum, 1);
  EXPECT_EQ(view.plots[4].DispColor, 1);
  EXPECT_EQ(session.mainFigure.DispColor, 4);  // the main window keeps its own type
  EXPECT_TRUE(session.log.Lines().empty());

  // Reopening starts again at process 1, type 0.
  ResetEnlargedFigure(session);
  EXPECT_EQ(session.enlargedFigure.PlotNum, 1);
  EXPECT_EQ(session.enlargedFigure.DispColor, 0);
}

TEST_F(FigureCommandsTest, EnlargedFailuresShowABoxThenTheLines) {
  FakeEnlargedView view(session);
  MessageLog list;
  ResetEnlargedFigure(session);
  ChangeEnlargedProcess(session, view, list);
  ASSERT_EQ(view.boxes.size(), 1u);
  EXPECT_EQ(view.boxes[0], "オープンエラー: " + dir.File("PeakCombination.txt"));
  EXPECT_EQ(list.Lines().size(), 3u);
  EXPECT_TRUE(session.log.Lines().empty());
}

}  // namespace
}  // namespace tonvale
