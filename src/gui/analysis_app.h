#pragma once

#include <QString>

class QApplication;

namespace tonvale {

// Settings of the application object that every window relies on: numbers are formatted the
// same whatever the user's locale, the widget style draws the templates' flat controls, and
// the program's name is the executable's file name without its extension.
void PrepareApplication(QApplication& application);

// The program: one instance per executable file name and user. A second start asks the
// running instance to bring its main window to the front and ends without a window of its own;
// otherwise the main window runs modally and the program ends when it closes.
class AnalysisApp {
 public:
  explicit AnalysisApp(QApplication& application);

  // A developer's aid: save a picture of the main window to this file once it is on screen,
  // then close the window.
  void SetScreenshotPath(const QString& path) { screenshotPath_ = path; }

  // Returns the process's exit code.
  int InitInstance();

 private:
  QApplication& application_;
  QString screenshotPath_;
};

}  // namespace tonvale
