// The window tests share one application object, set up as the program sets up its own.
#include <gtest/gtest.h>

#include <QApplication>

#include "gui/analysis_app.h"

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  if (::testing::GTEST_FLAG(list_tests)) return RUN_ALL_TESTS();
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication application(argc, argv);
  tonvale::PrepareApplication(application);
  return RUN_ALL_TESTS();
}
