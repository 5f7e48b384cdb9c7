// The keyboard and drag and drop on the main window.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDropEvent>
#include <QMimeData>
#include <QTest>
#include <QTimer>
#include <QUrl>

#include "gui/figure_dialog.h"
#include "main_dialog_fixture.h"

namespace tonvale {
namespace {

using WindowKeysTest = testing::MainDialogFixture;
using Calls = std::vector<std::string>;

TEST_F(WindowKeysTest, ShortcutsOpenPlayPauseConvertAndOpenTheEnlargedFigure) {
  QTest::keyClick(window_.get(), Qt::Key_O, Qt::ControlModifier);
  EXPECT_EQ(dialogs_.requests.size(), 1u) << "Ctrl+O asks for a file";

  OpenFile(song_);
  device_.TakeCalls();
  window_->Control(kIdStop)->setFocus();  // out of the path field, where the window starts
  QTest::keyClick(window_.get(), Qt::Key_Space);
  EXPECT_TRUE(window_->Playing());
  QTest::keyClick(window_.get(), Qt::Key_Space);
  EXPECT_TRUE(window_->Paused());
  QTest::keyClick(window_.get(), Qt::Key_Space);
  EXPECT_FALSE(window_->Paused());
  EXPECT_EQ(device_.TakeCalls(),
            (Calls{"stop", "close", "open wave " + song_, "play", "stop", "resume"}));

  // Typing a space into the path field stays typing.
  window_->Control(kIdPathField)->setFocus();
  QTest::keyClick(window_->Control(kIdPathField), Qt::Key_Space);
  EXPECT_TRUE(device_.TakeCalls().empty());

  QTest::keyClick(window_.get(), Qt::Key_R, Qt::ControlModifier);
  window_->WaitForRun();
  EXPECT_EQ(Log().back(), "err: cannot open! 設定変更.txt") << "Ctrl+R pressed wav2mid";

  // Enter on the plot frame's button opens the enlarged window.
  bool opened = false;
  QTimer::singleShot(0, [&] {
    if (auto* figure = dynamic_cast<FigureDialog*>(QApplication::activeModalWidget())) {
      opened = true;
      figure->close();
    }
  });
  window_->Control(kIdPlotHere)->setFocus();
  QTest::keyClick(window_->Control(kIdPlotHere), Qt::Key_Return);
  EXPECT_TRUE(opened);
}

TEST_F(WindowKeysTest, ADroppedRecordingIsSelectedAsOpenFileWouldSelectIt) {
  const std::string midi = song_ + ".mid";
  testing::WriteFile(midi, "MThd");
  for (const std::string& path : {song_, midi}) {
    QMimeData mime;
    mime.setUrls({QUrl::fromLocalFile(QString::fromStdString(path))});
    const QPoint at = window_->rect().center();
    QDragEnterEvent enter(at, Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(window_.get(), &enter);
    EXPECT_TRUE(enter.isAccepted());
    QDropEvent drop(at, Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(window_.get(), &drop);
    EXPECT_EQ(PathField(), path);
    EXPECT_EQ(window_->IsChecked(kIdMidi), path == midi);
    EXPECT_TRUE(window_->DeviceOpen());
  }
  QMimeData text;
  text.setText("not a file");
  QDragEnterEvent refused(QPoint(1, 1), Qt::CopyAction, &text, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(window_.get(), &refused);
  EXPECT_FALSE(refused.isAccepted());
}

}  // namespace
}  // namespace tonvale
