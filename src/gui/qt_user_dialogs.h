#pragma once

#include <QString>

#include "gui/user_dialogs.h"

namespace tonvale {

// The real dialogs of the desktop.
class QtUserDialogs : public UserDialogs {
 public:
  void ShowMessageBox(QWidget* owner, const std::string& text, const std::string& caption,
                      MessageIcon icon) override;
  std::optional<std::string> GetOpenFileName(QWidget* owner,
                                             const FileOpenRequest& request) override;
};

// Opens documents through xdg-open, or through Qt's desktop services where xdg-open is missing.
class QtDesktopOpener : public DesktopOpener {
 public:
  void OpenDocument(const std::string& path, const std::string& workingDirectory) override;
};

// The filter of a file-open request in the form Qt's file dialog reads: one "description
// (patterns)" per entry, separated by ";;". A description that already ends with its pattern
// in parentheses is kept as it is.
QString ToQtFileFilter(const std::string& filter);

}  // namespace tonvale
