#include "gui/analysis_app.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <clocale>
#include <cstdio>
#include <string>

#include "gui/flat_control_style.h"

namespace tonvale {
namespace {

// The test program prepared its application object as the program does (gui_test_main.cpp),
// under the locale CTest gives it.
TEST(AnalysisAppTest, NumbersStayInTheCLocaleWhateverTheUserChose) {
  std::string ctype = std::setlocale(LC_CTYPE, nullptr);
  if (ctype == "C") GTEST_SKIP() << "run with a user locale such as LC_ALL=C.UTF-8";
  // Qt took the user's locale for everything; only the numbers are put back.
  EXPECT_STREQ(std::setlocale(LC_NUMERIC, nullptr), "C");
  char text[16];
  std::snprintf(text, sizeof text, "%.2f", 2.5);
  EXPECT_STREQ(text, "2.50");
}

TEST(AnalysisAppTest, ApplicationIsNamedAfterTheExecutableAndDrawsFlatControls) {
  EXPECT_EQ(QCoreApplication::applicationName(), "tonvale_gui_tests");
  EXPECT_NE(dynamic_cast<FlatControlStyle*>(QApplication::style()), nullptr);
}

TEST(AnalysisAppTest, TheHelpPageLiesBesideTheProgram) {
  QFileInfo program(TONVALE_EXECUTABLE);
  QFile page(program.dir().filePath("readme.html"));
  ASSERT_TRUE(page.open(QIODevice::ReadOnly));
  QString html = QString::fromUtf8(page.readAll());
  EXPECT_TRUE(html.contains("<html lang=\"ja\">"));
  EXPECT_TRUE(html.contains("wav2mid"));
  EXPECT_TRUE(html.contains("In English"));
}

}  // namespace
}  // namespace tonvale
