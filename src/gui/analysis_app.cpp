#include "gui/analysis_app.h"

#include <clocale>

#include <QApplication>
#include <QFileInfo>
#include <QPixmap>
#include <QScreen>
#include <QTimer>

#include "app/program_directory.h"
#include "app/session.h"
#include "gui/flat_control_style.h"
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

}  // namespace

void PrepareApplication(QApplication& application) {
  // Qt took the user's locale for everything; numbers are written and read the C way.
  std::setlocale(LC_NUMERIC, "C");
  application.setApplicationName(
      QFileInfo(QCoreApplication::applicationFilePath()).completeBaseName());
  QApplication::setStyle(new FlatControlStyle);
}

AnalysisApp::AnalysisApp(QApplication& application) : application_(application) {
  PrepareApplication(application_);
}

int AnalysisApp::InitInstance() {
  SingleInstance instance(InstanceKey(QCoreApplication::applicationName()));
  if (!instance.Claim()) {
    instance.AskRunningInstanceToActivate();
    return 0;
  }

  Session session(GetProgramDirectory());
  std::unique_ptr<MediaDevice> device = CreateMediaDevice();
  QtUserDialogs dialogs;
  QtDesktopOpener desktop;
  MainDialog dialog(session, *device, dialogs, desktop);
  instance.OnActivationRequested([&dialog] {
    if (dialog.isMinimized()) dialog.showNormal();
    dialog.raise();
    dialog.activateWindow();
  });
  if (!screenshotPath_.isEmpty()) {
    QTimer::singleShot(kScreenshotDelayMs, &dialog, [this, &dialog] {
      SaveScreenshot(dialog, screenshotPath_);
      dialog.close();
    });
  }
  dialog.DoModal();
  return 0;
}

}  // namespace tonvale
