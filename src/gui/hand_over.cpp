#include "gui/hand_over.h"

#include <QApplication>
#include <QEvent>
#include <QTimer>
#include <QWidget>
#include <utility>

#include "gui/main_dialog.h"
#include "gui/x11_activation.h"

namespace tonvale {

void BringToFront(QWidget& window, const ActivationRequest& request) {
  if (window.isMinimized()) window.showNormal();
  window.raise();
  // Qt's Wayland support hands the token in the environment to the compositor as it activates
  // the window.
  if (!request.activationToken.empty()) {
    qputenv("XDG_ACTIVATION_TOKEN", QByteArray::fromStdString(request.activationToken));
  }
  if (!ActivateOnX11(window, request.startupId)) window.activateWindow();
  // A token is good for one activation: none may reach the programs this one starts later.
  qunsetenv("XDG_ACTIVATION_TOKEN");
}

HandOver::HandOver(MainDialog& window) : window_(window) {}

QWidget* HandOver::BlockingDialog() const {
  QWidget* modal = QApplication::activeModalWidget();
  return modal != nullptr && modal != &window_ ? modal : nullptr;
}

void HandOver::Serve(const ActivationRequest& request) {
  QWidget* dialog = BlockingDialog();
  BringToFront(dialog != nullptr ? *dialog : static_cast<QWidget&>(window_), request);
  if (request.file.empty()) return;
  pendingFile_ = request.file;
  OpenPendingFile();
}

void HandOver::OpenPendingFile() {
  if (!pendingFile_) return;
  if (QWidget* dialog = BlockingDialog()) {
    if (watched_ != dialog) {
      if (watched_ != nullptr) watched_->removeEventFilter(this);
      watched_ = dialog;
      dialog->installEventFilter(this);
    }
    return;
  }
  const std::string file = *std::exchange(pendingFile_, std::nullopt);
  window_.SelectFileFromCommandLine(file);
}

bool HandOver::eventFilter(QObject* watched, QEvent* event) {
  if (watched == watched_ && event->type() == QEvent::Hide) {
    watched_->removeEventFilter(this);
    watched_ = nullptr;
    // The dialog's modal loop ends after it is hidden; a dialog it returns to is waited for too.
    QTimer::singleShot(0, this, [this] { OpenPendingFile(); });
  }
  return false;
}

}  // namespace tonvale
