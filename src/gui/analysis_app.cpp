#include "gui/analysis_app.h"

#include <clocale>
#include <cstdio>
#include <filesystem>
#include <utility>

#include <QAbstractButton>
#include <QApplication>
#include <QFileInfo>
#include <QPixmap>
#include <QScreen>
#include <QTimer>

#include "app/output_file.h"
#include "app/program_directory.h"
#include "app/session.h"
#include "app/settings_file.h"
#include "gui/console_user_dialogs.h"
#include "gui/flat_control_style.h"
#include "gui/hand_over.h"
#include "gui/main_dialog.h"
#include "gui/qt_user_dialogs.h"
#include "gui/single_instance.h"
#include "playback/create_media_device.h"

namespace tonvale {
namespace {

// Long enough for the window system to map and paint the window.
constexpr int kScreenshotDelayMs = 700;

void SaveScreenshot(QWidget& window, const QString& path) {
  QPixmap shot;
  if (QScreen* screen = window.screen()) shot = screen->grabWindow(window.winId());
  if (shot.isNull() || shot.size() != window.size()) shot = window.grab();
  shot.save(path, "PNG");
}

// The path from the working folder, without "." steps. ".." steps stay: past a symbolic link
// they do not simply cancel the step before them.
std::string AbsolutePath(const std::string& path) {
  std::error_code error;
  std::filesystem::path absolute = std::filesystem::absolute(path, error);
  if (error) return path;
  std::filesystem::path result;
  for (const std::filesystem::path& step : absolute) {
    if (step != ".") result /= step;
  }
  return result.string();
}

}  // namespace

void PrepareApplication(QApplication& application) {
  // Qt took the user's locale for everything; numbers are written and read the C way.
  std::setlocale(LC_NUMERIC, "C");
  application.setApplicationName(
      QFileInfo(QCoreApplication::applicationFilePath()).completeBaseName());
  // Desktops match the window to the installed menu entry, and its icon, by this name.
  QGuiApplication::setDesktopFileName(QStringLiteral("tonvale"));
  QApplication::setStyle(new FlatControlStyle);
}

AnalysisApp::AnalysisApp(QApplication& application) : application_(application) {
  PrepareApplication(application_);
}

void AnalysisApp::SetArguments(const WindowArguments& arguments) {
  file_.clear();
  if (!arguments.file.empty()) {
    // The running instance, which may get the file, has a working folder of its own.
    file_ = AbsolutePath(arguments.file);
  }
  pressWav2Mid_ = arguments.pressWav2Mid;
  screenshotPath_ = QString::fromStdString(arguments.screenshotPath);
  progressScreenshotPath_ = QString::fromStdString(arguments.progressScreenshotPath);
}

void AnalysisApp::RunStartupRequests(MainDialog& dialog) {
  if (!file_.empty()) {
    dialog.SelectFileFromCommandLine(file_);
    if (dialog.EndResult()) return;  // a device failure ended the window
  }
  auto screenshotLater = [this, &dialog] {
    if (screenshotPath_.isEmpty()) return;
    QTimer::singleShot(kScreenshotDelayMs, &dialog, [this, &dialog] {
      SaveScreenshot(dialog, screenshotPath_);
      dialog.close();
    });
  };
  if (!progressScreenshotPath_.isEmpty()) {
    // Drawn from the widgets at once: the screen may not have caught up with the run.
    dialog.SetRunProgressHook([this, &dialog, taken = false](int process, int percent) mutable {
      if (taken || process != 1 || percent < 50) return;
      taken = true;
      dialog.grab().save(progressScreenshotPath_, "PNG");
    });
  }
  if (pressWav2Mid_) {
    // The conversion runs on a worker: the picture waits for its end.
    dialog.SetRunFinishedHook([screenshotLater, taken = false](int) mutable {
      if (!std::exchange(taken, true)) screenshotLater();
    });
    if (auto* button = dialog.ControlAs<QAbstractButton>(kIdWav2Mid)) button->click();
    if (!dialog.RunInProgress()) screenshotLater();
  } else {
    screenshotLater();
  }
}

int AnalysisApp::InitInstance() {
  SingleInstance instance(InstanceKey(QCoreApplication::applicationName()));
  const SingleInstance::Claim claim = instance.TryClaim();
  if (claim == SingleInstance::Claim::kRunning) {
    ActivationRequest request = proofs_;
    request.file = file_;
    if (instance.AskRunningInstanceToActivate(request)) return 0;
    std::fprintf(stderr, "tonvale: another instance is running but cannot be reached: %s\n",
                 instance.Problem().c_str());
    return 1;
  }

  Session session(GetProgramDirectory());
  // A copy of the program comes with its settings file beside it; an installed one keeps it in
  // the user's own folder, which gets the defaults the first time it lacks one.
  if (session.programDirectory != GetExecutableDirectory() &&
      !IsReadableFile(session.WorkPath(kSettingsFileName))) {
    ResetSettings(session);
  }
  std::unique_ptr<MediaDevice> device = CreateMediaDevice();
  QtUserDialogs interactiveDialogs;
  ConsoleUserDialogs unattendedDialogs;
  UserDialogs& dialogs =
      screenshotPath_.isEmpty() ? static_cast<UserDialogs&>(interactiveDialogs) : unattendedDialogs;
  QtDesktopOpener desktop;
  MainDialog dialog(session, *device, dialogs, desktop);
  HandOver handOver(dialog);
  if (claim == SingleInstance::Claim::kFirst) {
    instance.OnActivationRequested(
        [&handOver](const ActivationRequest& request) { handOver.Serve(request); });
  } else {
    // The program runs all the same, without taking the files of later starts.
    std::fprintf(stderr, "tonvale: later starts cannot hand over to this window: %s\n",
                 instance.Problem().c_str());
    session.log.AppendLog("err: 後から起動したときの受け渡しができません（" + instance.Problem() +
                          "）．");
  }
  // Runs once the modal loop has started, so that the window is up before any message box.
  QTimer::singleShot(0, &dialog, [this, &dialog] { RunStartupRequests(dialog); });
  dialog.DoModal();
  return 0;
}

}  // namespace tonvale
