#pragma once

#include "gui/user_dialogs.h"

namespace tonvale {

// The dialogs of an unattended run (the developers' --screenshot): nobody is there to close a
// box, so its caption and text go to the standard error stream, and a file dialog is cancelled.
class ConsoleUserDialogs : public UserDialogs {
 public:
  void ShowMessageBox(QWidget* owner, const std::string& text, const std::string& caption,
                      MessageIcon icon) override;
  std::optional<std::string> GetOpenFileName(QWidget* owner,
                                             const FileOpenRequest& request) override;
};

}  // namespace tonvale
