#include "gui/main_dialog.h"
#include "gui/run_status_bar.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QFontInfo>
#include <QGroupBox>
#include <QImage>
#include <QTest>
#include <cmath>

#include "app/settings_file.h"
#include "gui/log_list_box.h"
#include "gui/plot_surface.h"
#include "main_dialog_fixture.h"

namespace tonvale {
namespace {

using MainDialogTest = testing::MainDialogFixture;

TEST_F(MainDialogTest, StartsWithTheStartupTextAndWaveChecked) {
  std::vector<std::string> log = Log();
  ASSERT_EQ(log.size(), 36u);
  EXPECT_EQ(log[0], "% \"Tonvale ver2.00\" について．");
  EXPECT_EQ(log[1], "");
  EXPECT_EQ(log[5], "");
  EXPECT_EQ(log[12], "");
  EXPECT_EQ(log[9].rfind("\u3000", 0), 0u) << log[9];
  EXPECT_EQ(log[32].rfind("\u3000", 0), 0u) << log[32];
  EXPECT_EQ(log[8].back(), ' ');
  EXPECT_EQ(log[28], "・\"2. peak combination\" プロセス 2，クラスタリング処理．");
  EXPECT_EQ(log[35], "・\"chmod\" 図の表示形式を変更してプロット．");

  EXPECT_TRUE(window_->IsChecked(kIdWave));
  EXPECT_FALSE(window_->IsChecked(kIdMidi));
  EXPECT_FALSE(window_->DeviceOpen());
  EXPECT_FALSE(window_->Playing());
  EXPECT_FALSE(window_->Paused());
  EXPECT_EQ(window_->DeviceId(), 0u);
  EXPECT_EQ(window_->ControlAs<QLineEdit>(kIdPathField)->text(), "");
  EXPECT_EQ(window_->windowTitle(), "Tonvale ver2.00");
  EXPECT_FALSE(window_->windowIcon().isNull());
  EXPECT_FALSE(window_->windowIcon().pixmap(32, 32).isNull());
  QFontInfo font(window_->font());
  EXPECT_EQ(font.family(), "IPAPGothic");
  EXPECT_EQ(window_->font().pointSize(), 9);
  EXPECT_EQ(window_->PlotFrame(), window_->Control(kIdPlotFrame));
  EXPECT_EQ(window_->LogList(), window_->Control(kIdLogList));
}

TEST_F(MainDialogTest, EveryControlOfTheTemplateStandsWhereTheTemplateSays) {
  enum Kind { kEdit, kButton, kRadio, kGroup, kList, kFrame };
  const struct {
    int id;
    Kind kind;
    const char* caption;
    int x, y, w, h;  // dialog units
    bool tabStop;
  } expected[] = {
      {1005, kEdit, "", 6, 16, 314, 12, true},
      {1006, kButton, "open file", 87, 32, 37, 14, true},
      {1007, kButton, "play", 7, 32, 25, 14, true},
      {1008, kButton, "stop", 33, 32, 25, 14, true},
      {1009, kButton, "pause", 59, 32, 25, 14, true},
      {-1, kGroup, "file", 3, 2, 322, 50, false},
      {1010, kRadio, "wave", 132, 34, 28, 10, true},  // every button is reached with Tab
      {1011, kRadio, "midi", 166, 34, 25, 10, true},
      {1012, kList, "", 3, 244, 212, 96, false},
      {1013, kButton, "setup", 242, 32, 25, 14, true},
      {1014, kButton, "reset", 268, 32, 25, 14, true},
      {1017, kFrame, "", 3, 53, 322, 187, false},
      {1015, kButton, "readme", 296, 32, 25, 14, true},
      {1016, kButton, "load", 216, 32, 25, 14, true},
      {1018, kButton, "3. pitch recognition", 221, 287, 65, 14, true},
      {1019, kButton, "2. peak clustering", 221, 271, 65, 14, true},
      {1020, kButton, "4. convert into midi", 221, 303, 65, 14, true},
      {1021, kButton, "1. peak extraction", 221, 255, 65, 14, true},
      {1022, kButton, "plot-1", 221, 320, 30, 13, true},
      {1023, kButton, "plot-2", 253, 320, 30, 13, true},
      {1025, kButton, "plot a figure here", 4, 54, 321, 186, true},
      {1026, kButton, "chmod", 286, 320, 35, 13, true},
      {1030, kButton, "wav2mid", 289, 257, 31, 57, true},
      {-1, kGroup, "analysis", 216, 242, 109, 98, false},
  };
  auto px = [](int units, double scale) {
    return static_cast<int>(std::floor(units * scale + 0.5));
  };

  const auto& controls = window_->Controls();
  ASSERT_EQ(controls.size(), std::size(expected));
  for (size_t i = 0; i < std::size(expected); ++i) {
    const auto& e = expected[i];
    QWidget* w = controls[i].widget;
    SCOPED_TRACE(e.caption + std::string(" ") + std::to_string(e.id));
    if (e.id != -1) {
      EXPECT_EQ(window_->Control(e.id), w);
    }
    EXPECT_EQ(w->geometry(), QRect(px(e.x, 1.75), px(e.y, 1.5), px(e.w, 1.75), px(e.h, 1.5)));
    switch (e.kind) {
      case kEdit:
        EXPECT_NE(dynamic_cast<QLineEdit*>(w), nullptr);
        break;
      case kButton:
      case kRadio: {
        auto* button = dynamic_cast<QAbstractButton*>(w);
        ASSERT_NE(button, nullptr);
        EXPECT_EQ(button->text().toStdString(), e.caption);
        EXPECT_EQ(button->isCheckable(), e.kind == kRadio);
        break;
      }
      case kGroup: {
        auto* box = dynamic_cast<QGroupBox*>(w);
        ASSERT_NE(box, nullptr);
        EXPECT_EQ(box->title().toStdString(), e.caption);
        break;
      }
      case kList:
        EXPECT_NE(dynamic_cast<LogListBox*>(w), nullptr);
        break;
      case kFrame:
        EXPECT_NE(dynamic_cast<PlotSurface*>(w), nullptr);
        break;
    }
    EXPECT_EQ((w->focusPolicy() & Qt::TabFocus) != 0, e.tabStop);
  }
  EXPECT_EQ(window_->size(), QSize(576, 519 + RunStatusBar::kHeight));
  EXPECT_EQ(window_->minimumSize(), window_->maximumSize()) << "the window has a fixed size";
  EXPECT_FALSE(window_->windowFlags() & Qt::WindowMinimizeButtonHint);
  EXPECT_FALSE(window_->windowFlags() & Qt::WindowMaximizeButtonHint);
}

TEST_F(MainDialogTest, FlatButtonsAreDrawnOnTheirRectangles) {
  QImage shot = window_->grab().toImage();
  int buttons = 0;
  for (const DialogWindow::PlacedControl& placed : window_->Controls()) {
    if (placed.control->kind != ControlKind::kPushButton || placed.control->id == kIdPlotHere) {
      continue;
    }
    ++buttons;
    const QRect r = placed.widget->geometry();
    SCOPED_TRACE(placed.control->caption);
    // A one-pixel black outline on the edge, the face inside, the window outside.
    EXPECT_EQ(shot.pixelColor(r.topLeft()), QColor(Qt::black));
    EXPECT_EQ(shot.pixelColor(r.bottomRight()), QColor(Qt::black));
    EXPECT_GT(shot.pixelColor(r.topLeft() + QPoint(1, 1)).lightness(), 200);
    EXPECT_GT(shot.pixelColor(r.topLeft() - QPoint(1, 1)).lightness(), 200);
  }
  EXPECT_EQ(buttons, 16);
}

TEST_F(MainDialogTest, EnterAndEscapeChangeNothing) {
  const std::vector<std::string> startup = session_.log.Lines();
  auto* reset = window_->Control(kIdReset);
  auto* field = window_->Control(kIdPathField);
  for (QWidget* target : {reset, field, static_cast<QWidget*>(window_.get())}) {
    for (Qt::Key key : {Qt::Key_Return, Qt::Key_Enter, Qt::Key_Escape}) {
      QTest::keyClick(target, key);
    }
  }
  EXPECT_EQ(session_.log.Lines(), startup);
  EXPECT_FALSE(testing::FileExists(dir_.File(kSettingsFileName)));
  EXPECT_TRUE(window_->isVisible());
  EXPECT_FALSE(window_->EndResult().has_value());

  // Other keys still reach the controls: the space bar presses the focused button.
  QTest::keyClick(reset, Qt::Key_Space);
  EXPECT_EQ(session_.log.Lines().front(), "% 各設定を初期値に変更します．");
}

TEST_F(MainDialogTest, LoadWithoutSettingsFileSaysSo) {
  Click(kIdLoad);
  EXPECT_EQ(Log(), (std::vector<std::string>{"% 設定変更.txt をロードします．",
                                             "err: cannot open! 設定変更.txt"}));
}

TEST_F(MainDialogTest, ResetThenLoadEchoesTheDefaults) {
  Click(kIdReset);
  std::vector<std::string> log = Log();
  ASSERT_EQ(log.size(), 16u);
  EXPECT_EQ(log[0], "% 各設定を初期値に変更します．");
  EXPECT_TRUE(testing::FileExists(dir_.File(kSettingsFileName)));

  Click(kIdLoad);
  log = Log();
  ASSERT_EQ(log.size(), 16u);
  EXPECT_EQ(log[0], "% 設定変更.txt をロードします．");
  EXPECT_EQ(log[1], "フレームシフト間隔　： 10 _msec");
  EXPECT_EQ(log[7], "拍子　　　　　　　　： 4 / 4");
  EXPECT_EQ(log[9], "");
  EXPECT_EQ(log[15], "");
}

TEST_F(MainDialogTest, SetupAndReadmeAskTheDesktopInTheProgramDirectory) {
  const std::vector<std::string> startup = session_.log.Lines();
  Click(kIdSetup);
  Click(kIdReadme);
  using Opened = std::pair<std::string, std::string>;
  // The test program has no help page beside it, so the program directory is looked at.
  EXPECT_EQ(desktop_.opened, (std::vector<Opened>{{dir_.File("設定変更.txt"), dir_.path()},
                                                  {dir_.File("readme.html"), dir_.path()}}));
  EXPECT_EQ(session_.log.Lines(), startup);
  EXPECT_TRUE(dialogs_.boxes.empty());
}

TEST_F(MainDialogTest, ClosingTheWindowStopsAndClosesTheDevice) {
  OpenFile(song_);
  Click(kIdPlay);
  device_.TakeCalls();
  window_->close();
  EXPECT_EQ(device_.TakeCalls(), (std::vector<std::string>{"stop", "close"}));
  EXPECT_FALSE(window_->DeviceOpen());
  EXPECT_EQ(window_->EndResult(), QDialog::Rejected);
  EXPECT_TRUE(dialogs_.boxes.empty());
}

}  // namespace
}  // namespace tonvale
