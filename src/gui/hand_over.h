#pragma once

#include <QObject>
#include <QPointer>
#include <optional>
#include <string>

#include "gui/single_instance.h"

class QWidget;

namespace tonvale {

class MainDialog;

// Serves the requests of later starts in the running instance. The window comes to the front at
// once, with the later start's proof of the user's action, which is valid for a short time
// only; while a modal dialog of the window is open (a message box, the file dialog, the
// enlarged figure) it is that dialog which comes to the front, and a file to open waits until
// the dialog has closed, so that nothing happens behind it. Of several files that arrive
// meanwhile, the last is opened.
class HandOver : public QObject {
 public:
  explicit HandOver(MainDialog& window);

  void Serve(const ActivationRequest& request);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  // The modal dialog in front of the main window, or null.
  QWidget* BlockingDialog() const;
  void OpenPendingFile();

  MainDialog& window_;
  std::optional<std::string> pendingFile_;
  QPointer<QWidget> watched_;
};

// Brings `window` to the front with a later start's proof of the user's action: the XDG
// activation token goes to the Wayland compositor, the time in an X11 startup id to the window
// manager, and the launcher learns that the start it announced has ended.
void BringToFront(QWidget& window, const ActivationRequest& request);

}  // namespace tonvale
