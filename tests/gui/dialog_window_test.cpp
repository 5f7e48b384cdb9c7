#include "gui/dialog_window.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QGroupBox>
#include <QLineEdit>
#include <QPainter>
#include <QRadioButton>
#include <QScrollBar>
#include <QTest>
#include <vector>

#include "gui/dialog_template.h"
#include "gui/dialog_units.h"
#include "gui/log_list_box.h"
#include "gui/plot_surface.h"
#include "gui/qt_user_dialogs.h"

namespace tonvale {
namespace {

// Writes down every routed click and exchanges one text with the path field.
class RecordingWindow : public DialogWindow {
 public:
  explicit RecordingWindow(const DialogTemplate& t) : DialogWindow(t, nullptr) {}

  std::vector<int> commands;
  std::string text = "initial";
  int initCalls = 0;

 protected:
  void DoDataExchange(DataExchange& dx) override { dx.Text(1005, text); }
  bool OnInitDialog() override {
    ++initCalls;
    return true;
  }
  void OnCommand(int id) override { commands.push_back(id); }
};

QPoint CenterOf(const QWidget* w) {
  return w->geometry().center();
}

TEST(DialogWindowTest, RoutesEveryButtonClickByItsId) {
  RecordingWindow window(MainDialogTemplate());
  window.show();
  std::vector<int> clicked;
  for (const DialogWindow::PlacedControl& placed : window.Controls()) {
    if (auto* button = dynamic_cast<QAbstractButton*>(placed.widget)) {
      button->click();
      clicked.push_back(placed.control->id);
    }
  }
  EXPECT_EQ(clicked.size(), 19u);
  EXPECT_EQ(window.commands, clicked);
}

TEST(DialogWindowTest, MouseOnThePlotFramePressesTheButtonBeneathIt) {
  RecordingWindow window(MainDialogTemplate());
  window.show();
  // The frame lies on top and shows the picture, but clicks pass through it.
  QWidget* frame = window.Control(1017);
  QWidget* beneath = window.childAt(CenterOf(frame));
  ASSERT_EQ(beneath, window.Control(1025));
  QTest::mouseClick(beneath, Qt::LeftButton);
  EXPECT_EQ(window.commands, std::vector<int>{1025});

  // A group box only frames its neighbours: a click inside it reaches the window.
  QWidget* buttonInGroup = window.Control(1021);
  QPoint leftOfButton = buttonInGroup->geometry().topLeft() + QPoint(-3, 3);
  QWidget* hit = window.childAt(leftOfButton);
  EXPECT_EQ(dynamic_cast<QGroupBox*>(hit), nullptr);
}

TEST(DialogWindowTest, RadioButtonsFormOneAutomaticGroup) {
  RecordingWindow window(MainDialogTemplate());
  window.show();
  auto* wave = window.ControlAs<QRadioButton>(1010);
  auto* midi = window.ControlAs<QRadioButton>(1011);
  ASSERT_TRUE(wave && midi);
  window.SetChecked(1010, true);
  midi->click();
  EXPECT_TRUE(window.IsChecked(1011));
  EXPECT_FALSE(window.IsChecked(1010));
  wave->click();
  wave->click();  // clicking the checked one keeps it checked and is still routed
  EXPECT_TRUE(window.IsChecked(1010));
  EXPECT_FALSE(window.IsChecked(1011));
  EXPECT_EQ(window.commands, (std::vector<int>{1011, 1010, 1010}));
}

TEST(DialogWindowTest, DataExchangeRunsBeforeTheWindowAppearsAndBothWays) {
  RecordingWindow window(MainDialogTemplate());
  auto* field = window.ControlAs<QLineEdit>(1005);
  ASSERT_NE(field, nullptr);
  EXPECT_EQ(window.initCalls, 0);
  window.show();
  window.hide();
  window.show();
  EXPECT_EQ(window.initCalls, 1);
  EXPECT_EQ(field->text(), "initial");
  EXPECT_EQ(window.focusWidget(), field) << "the first tab stop takes the focus";

  field->setText("/music/曲.wav");
  window.UpdateData(true);
  EXPECT_EQ(window.text, "/music/曲.wav");
  window.text = "other";
  window.UpdateData(false);
  EXPECT_EQ(field->text(), "other");
}

TEST(DialogWindowTest, EnlargedFigureWindowIsBuiltToScaleAndItsFrameFitsTheFigure) {
  RecordingWindow window(FigureDialogTemplate());
  window.show();
  EXPECT_EQ(window.windowTitle(), "Expanded and ploted a figure");
  EXPECT_EQ(window.size(), QSize(1103, 714));
  for (const DialogWindow::PlacedControl& placed : window.Controls()) {
    EXPECT_EQ(placed.widget->geometry(), DialogUnitsToPixels(placed.control->rect))
        << placed.control->id;
  }
  auto* frame = window.ControlAs<PlotSurface>(1023);
  ASSERT_NE(frame, nullptr);
  // The enlarged figure draws up to x = 1082 and, with its title, to about y = 640.
  EXPECT_GE(frame->ClientRect().width(), 1083);
  EXPECT_GE(frame->ClientRect().height(), 641);
  EXPECT_NE(window.ControlAs<LogListBox>(1029), nullptr);
}

TEST(DialogWindowTest, PlotFrameKeepsItsPictureAndShowsWhatLiesBeneathUntilPainted) {
  RecordingWindow window(MainDialogTemplate());
  window.show();
  auto* frame = window.ControlAs<PlotSurface>(1017);
  ASSERT_NE(frame, nullptr);
  // The main figure draws up to x = 542 and, with its labels, to about y = 270.
  EXPECT_GE(frame->ClientRect().width(), 543);
  EXPECT_GE(frame->ClientRect().height(), 271);
  EXPECT_EQ(frame->Picture().size(), frame->ClientRect().size());

  const QPoint inside = frame->geometry().topLeft() + frame->ClientRect().topLeft() + QPoint(3, 3);
  QImage before = window.grab().toImage();
  EXPECT_NE(before.pixelColor(inside), QColor(Qt::black)) << "the button beneath shows";

  frame->Picture().fill(QColor(200, 30, 40));
  {
    QPainter painter(&frame->Picture());
    painter.fillRect(0, 0, 10, 10, Qt::blue);
  }
  frame->PictureChanged();
  // Covering and uncovering the window repaints it from the kept picture.
  window.hide();
  window.show();
  QImage after = window.grab().toImage();
  EXPECT_EQ(after.pixelColor(inside), QColor(Qt::blue));
  EXPECT_EQ(after.pixelColor(inside + QPoint(20, 20)), QColor(200, 30, 40));
  // The border stays around the picture.
  EXPECT_EQ(after.pixelColor(frame->geometry().topLeft()), QColor(Qt::black));
}

TEST(DialogWindowTest, LogListShowsTheNewestLineWithoutSelecting) {
  RecordingWindow window(MainDialogTemplate());
  window.show();
  auto* list = window.ControlAs<LogListBox>(1012);
  ASSERT_NE(list, nullptr);
  for (int i = 0; i < 200; ++i) list->AppendString("line " + std::to_string(i));
  list->AppendString("two\nparts\n");
  list->AppendString(std::string(300, 'w'));  // wider than the list: it scrolls sideways
  QApplication::processEvents();
  EXPECT_EQ(list->LineCount(), 202);
  EXPECT_GT(list->verticalScrollBar()->maximum(), 0);
  EXPECT_EQ(list->verticalScrollBar()->value(), list->verticalScrollBar()->maximum());
  EXPECT_GT(list->horizontalScrollBar()->maximum(), 0);
  EXPECT_TRUE(list->selectedItems().isEmpty());
  EXPECT_EQ(list->currentRow(), -1);
  EXPECT_EQ(list->Line(200), "two parts ");
  list->ResetContent();
  EXPECT_EQ(list->LineCount(), 0);
}

TEST(FileFilterTest, KeepsTheDescriptionAndGivesQtItsPatterns) {
  EXPECT_EQ(ToQtFileFilter("Waveﾌｧｲﾙ(*.wav)|*.wav||"), "Waveﾌｧｲﾙ(*.wav)");
  EXPECT_EQ(ToQtFileFilter("MIDIﾌｧｲﾙ(*.mid)|*.mid||"), "MIDIﾌｧｲﾙ(*.mid)");
  EXPECT_EQ(ToQtFileFilter("Sounds|*.wav;*.aif|All files|*||"),
            "Sounds (*.wav *.aif);;All files (*)");
}

}  // namespace
}  // namespace tonvale
