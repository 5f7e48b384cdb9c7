// The window tests share one application object, set up as the program sets up its own.
#include <gtest/gtest.h>

#include <QApplication>
#include <QSettings>

#include "gui/analysis_app.h"
#include "support/temp_dir.h"

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  if (::testing::GTEST_FLAG(list_tests)) return RUN_ALL_TESTS();
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  // What the window remembers between runs goes to a folder of this process's own: tests that
  // run at the same time never see each other's choices, nor the user's.
  tonvale::testing::TempDir configuration;
  QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope,
                     QString::fromStdString(configuration.path()));
  QApplication application(argc, argv);
  tonvale::PrepareApplication(application);
  return RUN_ALL_TESTS();
}
