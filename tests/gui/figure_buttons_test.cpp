// The figure buttons of the main window and the enlarged figure window.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QScreen>
#include <QTimer>
#include <functional>

#include "figures/figure_files.h"
#include "gui/figure_dialog.h"
#include "gui/plot_surface.h"
#include "gui/screen_fit.h"
#include "main_dialog_fixture.h"

namespace tonvale {
namespace {

using Lines = std::vector<std::string>;
using testing::FigureFile;
using testing::Frames;

constexpr char kProcess1Line[] = "Figure is Process 1 \"Extracting peak frequencies.\"";
constexpr char kProcess2Line[] = "Figure is Process 2 \"Combining peak frequencies.\"";

class FigureButtonsTest : public testing::MainDialogFixture {
 protected:
  void WritePeakFile() {
    testing::WriteFile(dir_.File("PeakExtraction.txt"),
                       FigureFile(80, 20, 10, 600, Frames(10, 600, {{1000.0f, 80.0f}})));
  }
  void WriteLumpFile() {
    testing::WriteFile(dir_.File("PeakCombination.txt"),
                       FigureFile(80, 20, 10, 1000, {{1000, {{1500.0f, 40.0f}}}}));
  }
  const QImage& MainPicture() const { return window_->PlotFrame()->Picture(); }

  // Presses "plot a figure here" and runs `inside` in the enlarged window once it is shown;
  // the window is closed afterwards as the Esc key closes it.
  void InEnlargedWindow(const std::function<void(FigureDialog&)>& inside) {
    bool ran = false;
    QTimer::singleShot(0, [&] {
      auto* figure = dynamic_cast<FigureDialog*>(QApplication::activeModalWidget());
      if (figure != nullptr) {
        inside(*figure);
        ran = true;
        figure->reject();
      }
    });
    // Whatever happens above, the modal run must end.
    QTimer::singleShot(10000, [] {
      if (auto* figure = dynamic_cast<FigureDialog*>(QApplication::activeModalWidget())) {
        figure->reject();
      }
    });
    Click(kIdPlotHere);
    EXPECT_TRUE(ran) << "the enlarged window was not shown modally";
  }

  static void Press(FigureDialog& figure, int id) {
    auto* button = figure.ControlAs<QAbstractButton>(id);
    ASSERT_NE(button, nullptr) << id;
    button->click();
  }
};

// The colour of a pixel, its alpha included (0 where nothing was drawn).
QRgb Pixel(const QImage& image, int x, int y) {
  return image.pixel(x, y);
}

TEST_F(FigureButtonsTest, PlotButtonsDrawAndExplainTheFigure) {
  WritePeakFile();
  WriteLumpFile();
  Click(kIdPlot1);
  Lines log = Log();
  ASSERT_EQ(log.size(), 8u);
  EXPECT_EQ(log[0], "% プロセス 1 を表示しました．");
  EXPECT_EQ(log[1], "Display type 0");
  EXPECT_EQ(log[2], kProcess1Line);
  EXPECT_EQ(log[3], "");
  // The frame's corner and a 1000 Hz peak of frame 2 (column 42, row 195).
  EXPECT_EQ(Pixel(MainPicture(), 40, 10), qRgb(0, 0, 0));
  EXPECT_EQ(Pixel(MainPicture(), 42, 195), qRgb(255, 0, 0));
  EXPECT_EQ(Pixel(MainPicture(), 0, 0), qRgb(255, 255, 255));

  Click(kIdPlot2);
  log = Log();
  ASSERT_EQ(log.size(), 9u);
  EXPECT_EQ(log[0], "% プロセス 2 を表示しました．");
  EXPECT_EQ(log[2], kProcess2Line);
  EXPECT_EQ(log[3], "");
  EXPECT_EQ(Pixel(MainPicture(), 42, 195), qRgb(255, 255, 255));
  EXPECT_EQ(Pixel(MainPicture(), 91, 174), qRgb(0, 0, 0));  // the end square of the lump
}

TEST_F(FigureButtonsTest, FivePressesOfChmodReturnToTheStartingType) {
  WriteLumpFile();
  Click(kIdChmod);  // nothing plotted yet: two lines and no figure
  EXPECT_EQ(Log(), (Lines{"% 図の表示形式を変更しました．", "Display type 1"}));
  EXPECT_EQ(Pixel(MainPicture(), 40, 10), qRgba(0, 0, 0, 0));

  Click(kIdPlot2);
  for (int press = 1; press <= 5; ++press) {
    Click(kIdChmod);
    // The markers are drawn in display type 0 only.
    const bool markers = session_.mainFigure.DispColor == 0;
    EXPECT_EQ(Pixel(MainPicture(), 88, 173) == qRgb(0, 0, 0), markers) << press;
  }
  EXPECT_EQ(session_.mainFigure.DispColor, 1);
  EXPECT_EQ(Log(), (Lines{"% 図の表示形式を変更しました．", "Display type 1", kProcess2Line}));
}

TEST_F(FigureButtonsTest, AMissingLumpFileLeavesOneLineAndTheOldPicture) {
  WritePeakFile();
  Click(kIdPlot1);
  const QImage before = MainPicture().copy();
  Click(kIdPlot2);
  EXPECT_EQ(Log(), Lines{"% err: cannot open file > PeakComnination.txt．"});
  EXPECT_EQ(MainPicture(), before);
  // "chmod" tries process 2 again, with the same result.
  Click(kIdChmod);
  EXPECT_EQ(Log(), Lines{"% err: cannot open file > PeakComnination.txt．"});
}

TEST_F(FigureButtonsTest, TheFigureIsPaintedAgainWhenTheWindowIsShownAgain) {
  WritePeakFile();
  Click(kIdPlot1);
  window_->hide();
  window_->show();
  const QImage shown = window_->PlotFrame()->grab().toImage();
  const int border = PlotSurface::kBorder;
  EXPECT_EQ(Pixel(shown, border + 40, border + 10), qRgb(0, 0, 0));
  EXPECT_EQ(Pixel(shown, border + 42, border + 195), qRgb(255, 0, 0));
}

TEST_F(FigureButtonsTest, EnlargedWindowStartsAtProcess1TypeZeroEveryTime) {
  WritePeakFile();
  WriteLumpFile();
  Click(kIdChmod);  // the main window's type is its own
  InEnlargedWindow([&](FigureDialog& figure) {
    const Lines help = figure.Lines().Lines();
    ASSERT_EQ(help.size(), 6u);
    EXPECT_EQ(help[0], "% 解析結果を拡大してプロットをします．");
    EXPECT_EQ(help[5], "・\"chpros\" 図示するプロセスの変更．");
    EXPECT_EQ(figure.FigureList()->LineCount(), 6);
    const QImage& picture = figure.FigureFrame()->Picture();
    EXPECT_EQ(Pixel(picture, 80, 20), qRgba(0, 0, 0, 0)) << "nothing is drawn on opening";

    Press(figure, kIdRedraw);
    EXPECT_EQ(figure.Lines().Lines(),
              (Lines{"% 再描画しました．", "Display type 0", kProcess1Line}));
    EXPECT_EQ(Pixel(picture, 80, 20), qRgb(0, 0, 0));
    EXPECT_EQ(Pixel(picture, 81 + 999 * 7 / 600, 471), qRgb(255, 0, 0));

    Press(figure, kIdChproc);
    EXPECT_EQ(figure.Lines().Lines()[0], "% 表示するプロセスを変更しました．");
    EXPECT_EQ(figure.Lines().Lines()[2], kProcess2Line);
    Press(figure, kIdFigureChmod);
    EXPECT_EQ(figure.Lines().Lines()[1], "Display type 1");
    EXPECT_EQ(figure.FigureList()->Line(1).toStdString(), "Display type 1");
  });
  EXPECT_EQ(session_.enlargedFigure.PlotNum, 2);
  EXPECT_EQ(session_.enlargedFigure.DispColor, 1);
  EXPECT_EQ(session_.mainFigure.DispColor, 1);
  EXPECT_EQ(Log(), (Lines{"% 図の表示形式を変更しました．", "Display type 1"}));

  InEnlargedWindow([&](FigureDialog& figure) {
    EXPECT_EQ(session_.enlargedFigure.PlotNum, 1);
    EXPECT_EQ(session_.enlargedFigure.DispColor, 0);
    EXPECT_EQ(figure.Lines().Lines().size(), 6u);
  });
  EXPECT_TRUE(dialogs_.boxes.empty());
}

TEST_F(FigureButtonsTest, TheEnlargedWindowFitsItsScreenAndOpensWhereItWasClosed) {
  WritePeakFile();
  const QRect laptop(0, 32, 1366, 704);  // 1366 x 768 with a panel above and one below
  InEnlargedWindow([&](FigureDialog& figure) {
    // On whatever screen the test runs, the whole window lies in the free area.
    const QRect area = figure.screen()->availableGeometry();
    EXPECT_TRUE(area.contains(figure.frameGeometry())) << figure.frameGeometry().width();
    EXPECT_TRUE(area.contains(QRect(figure.pos(), figure.size() + kFrameAllowance)));

    figure.FitInto(laptop, std::nullopt);
    const double scale = figure.Scale();
    EXPECT_LT(scale, 1.0);
    EXPECT_TRUE(laptop.contains(QRect(figure.pos(), figure.size() + kFrameAllowance)));
    EXPECT_NEAR(figure.width(), 1103 * scale, 1.0);
    EXPECT_NEAR(figure.height(), 714 * scale, 1.0);
    // "chproc" at 135, 445 dialog units (236, 668 px) keeps its place in proportion.
    const QRect chproc = figure.Control(kIdChproc)->geometry();
    EXPECT_NEAR(chproc.left(), 236 * scale, 1.0);
    EXPECT_NEAR(chproc.top(), 668 * scale, 1.0);
    EXPECT_NEAR(chproc.width(), 105 * scale, 1.0);

    // The figure is drawn at its own size and shown scaled.
    Press(figure, kIdRedraw);
    const QImage& picture = figure.FigureFrame()->Picture();
    EXPECT_EQ(picture.size(), QSize(1099, 656));
    EXPECT_EQ(Pixel(picture, 80, 300), qRgb(0, 0, 0));
    const QImage shown = figure.FigureFrame()->grab().toImage();
    const int border = PlotSurface::kBorder;
    int dark = 0;
    for (int dx = -1; dx <= 1; ++dx) {
      dark +=
          qRed(shown.pixel(border + qRound(80 * scale) + dx, border + qRound(300 * scale))) < 128;
    }
    EXPECT_GT(dark, 0) << "the frame's left edge, scaled";

    figure.FitInto(QRect(0, 0, 1920, 1080), std::nullopt);  // a screen it fits
    EXPECT_EQ(figure.Scale(), 1.0);
    EXPECT_EQ(figure.size(), QSize(1103, 714));
    figure.move(120, 60);
  });
  // Closed at (120, 60): the next opening goes there when it fits, else the least way in.
  const std::optional<QPoint> remembered = FigureDialog::RememberedPosition();
  ASSERT_TRUE(remembered.has_value());
  EXPECT_EQ(*remembered, QPoint(120, 60));
  FigureDialog again(session_, dialogs_);
  again.FitInto(QRect(0, 0, 1920, 1080), remembered);
  EXPECT_EQ(again.pos(), QPoint(120, 60));
  again.FitInto(laptop, remembered);
  EXPECT_EQ(again.pos().x(), 120);
  EXPECT_EQ(again.pos().y() + again.height() + kFrameAllowance.height(), laptop.bottom() + 1);
}

TEST(ScreenFitTest, ScalesOnlyWhatDoesNotFitAndPlacesInsideTheArea) {
  const QSize client(1103, 714);
  const QSize frame = client + kFrameAllowance;  // 1119 x 762
  EXPECT_EQ(FitScale(client, QRect(0, 0, 1920, 1080)), 1.0);
  EXPECT_EQ(FitScale(client, QRect(0, 0, 1119, 762)), 1.0);
  EXPECT_DOUBLE_EQ(FitScale(client, QRect(0, 27, 1366, 741)), (741.0 - 48) / 714);
  EXPECT_DOUBLE_EQ(FitScale(client, QRect(0, 0, 800, 1200)), (800.0 - 16) / 1103);

  const QRect area(100, 30, 1300, 800);
  const struct {
    std::optional<QPoint> remembered;
    QPoint placed;
    const char* what;
  } cases[] = {
      {QPoint(150, 40), QPoint(150, 40), "inside: kept"},
      {QPoint(900, 40), QPoint(100 + 1300 - 1119, 40), "sticking out on the right"},
      {QPoint(50, 500), QPoint(100, 30 + 800 - 762), "off the left and the bottom"},
      {std::nullopt, QPoint(100 + (1300 - 1119) / 2, 30 + (800 - 762) / 2), "centred"},
  };
  for (const auto& c : cases) EXPECT_EQ(PlaceWindow(frame, area, c.remembered), c.placed) << c.what;
  EXPECT_EQ(PlaceWindow(frame, QRect(0, 0, 640, 480), QPoint(300, 300)), QPoint(0, 0))
      << "too large: its top-left corner stays in view";
}

TEST_F(FigureButtonsTest, EnlargedFailuresShowABoxBeforeTheLines) {
  WritePeakFile();
  InEnlargedWindow([&](FigureDialog& figure) {
    Press(figure, kIdChproc);
    ASSERT_EQ(dialogs_.boxes.size(), 1u);
    EXPECT_EQ(dialogs_.boxes[0].text, "オープンエラー: " + dir_.File("PeakCombination.txt"));
    EXPECT_EQ(dialogs_.boxes[0].caption, "");
    EXPECT_EQ(figure.Lines().Lines(),
              (Lines{"% 表示するプロセスを変更しました．", "Display type 0", kProcess2Line}));
  });
  EXPECT_TRUE(session_.log.Lines().size() > 1) << "the main log keeps its start-up text";
}

}  // namespace
}  // namespace tonvale
