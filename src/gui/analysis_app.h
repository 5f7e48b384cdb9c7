#pragma once

#include <QString>
#include <string>

#include "gui/single_instance.h"
#include "gui/window_arguments.h"

class QApplication;

namespace tonvale {

class MainDialog;

// Settings of the application object that every window relies on: numbers are formatted the
// same whatever the user's locale, the widget style draws the templates' flat controls, and
// the program's name is the executable's file name without its extension.
void PrepareApplication(QApplication& application);

// The program: one instance per executable file name and user. A second start asks the
// running instance to bring its main window to the front, and to select the file it was given,
// and ends without a window of its own; otherwise the main window runs modally and the program
// ends when it closes.
class AnalysisApp {
 public:
  explicit AnalysisApp(QApplication& application);

  // The command line: a file to select once the window is up, and the developers' aids (press
  // "wav2mid", then save a picture of the window and close it).
  void SetArguments(const WindowArguments& arguments);

  // The proofs of the user's action that started this process, taken from the environment
  // before Qt connects to the display (which takes the startup id out of it).
  void SetLaunchProofs(const ActivationRequest& proofs) { proofs_ = proofs; }

  // Returns the process's exit code.
  int InitInstance();

 private:
  // What the command line asks for, once the window's event loop runs.
  void RunStartupRequests(MainDialog& dialog);

  QApplication& application_;
  std::string file_;  // absolute, or empty
  ActivationRequest proofs_;
  bool pressWav2Mid_ = false;
  QString screenshotPath_;
  QString progressScreenshotPath_;
};

}  // namespace tonvale
