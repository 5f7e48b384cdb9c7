#pragma once

#include <QString>
#include <QWidget>

class QProgressBar;
class QPushButton;

namespace tonvale {

// The strip along the bottom of the main window that follows a running process: a bar that
// names the process and how far it is, and a "cancel" button. Between runs the bar is empty
// and the button disabled.
class RunStatusBar : public QWidget {
 public:
  static constexpr int kHeight = 26;

  explicit RunStatusBar(QWidget* parent);

  void ShowIdle();
  // `process` 1 to 4, `percent` 0 to 100.
  void ShowProgress(int process, int percent);

  // What the bar says, as the user reads it ("1. peak extraction  37 %"); empty between runs.
  QString Text() const;
  int Percent() const;
  QPushButton* CancelButton() const { return cancel_; }

 protected:
  void resizeEvent(QResizeEvent* event) override;

 private:
  QProgressBar* bar_;
  QPushButton* cancel_;
};

}  // namespace tonvale
