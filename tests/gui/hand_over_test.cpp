// What the running window does with the request of a later start.
#include "gui/hand_over.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDialog>
#include <QTimer>
#include <string>

#include "gui/x11_activation.h"
#include "main_dialog_fixture.h"

namespace tonvale {
namespace {

using HandOverTest = testing::MainDialogFixture;

TEST_F(HandOverTest, AFileThatArrivesWhileADialogIsOpenWaitsUntilItCloses) {
  HandOver handOver(*window_);
  QDialog dialog(window_.get());
  std::string pathWhileOpen;
  QTimer::singleShot(0, &dialog, [&] {
    handOver.Serve({song_, "", ""});
    QCoreApplication::processEvents();
    pathWhileOpen = PathField();
    dialog.reject();
  });
  dialog.exec();
  EXPECT_EQ(pathWhileOpen, "") << "the file was opened behind the dialog";
  for (int turn = 0; turn < 100 && PathField() != song_; ++turn) {
    QCoreApplication::processEvents();
  }
  EXPECT_EQ(PathField(), song_);
  EXPECT_EQ(window_->SelectedPath(), song_);

  // With no dialog open the file is taken at once.
  const std::string other = dir_.File("other.wav");
  testing::WriteFile(other, "RIFF");
  handOver.Serve({other, "", ""});
  EXPECT_EQ(PathField(), other);
  EXPECT_TRUE(dialogs_.boxes.empty());
}

TEST(X11ActivationTest, TheStartupIdGivesTheTimeAndTheMessageThatEndsTheStart) {
  EXPECT_EQ(StartupIdTime("kwin-1234-host-app-0_TIME56789"), 56789u);
  EXPECT_EQ(StartupIdTime("no-time"), 0u);
  EXPECT_EQ(StartupIdTime("x_TIME12ab"), 0u);
  EXPECT_EQ(StartupIdTime("x_TIME99999999999"), 0u);  // beyond 32 bits
  EXPECT_EQ(StartupRemoveMessage("a \"b\"\\c_TIME1"), "remove: ID=\"a \\\"b\\\"\\\\c_TIME1\"");
}

}  // namespace
}  // namespace tonvale
