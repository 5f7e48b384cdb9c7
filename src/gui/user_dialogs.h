#pragma once

#include <optional>
#include <string>

class QWidget;

namespace tonvale {

enum class MessageIcon {
  kNone,
  kExclamation,
};

// What a file-open dialog is asked for. The filter is written as pairs of a description and a
// pattern, each followed by '|', the list closed by a second '|':
// "Waveﾌｧｲﾙ(*.wav)|*.wav||".
struct FileOpenRequest {
  std::string defaultExtension;  // appended to a typed name that has none
  std::string initialName;
  std::string filter;
  bool fileMustExist = true;
  bool hideReadOnly = true;
};

// Every modal question the windows ask the user goes through this, so that tests can answer
// without a blocking dialog.
class UserDialogs {
 public:
  virtual ~UserDialogs() = default;

  // A box with the text, the caption, the icon and an OK button; returns when it is closed.
  virtual void ShowMessageBox(QWidget* owner, const std::string& text, const std::string& caption,
                              MessageIcon icon) = 0;

  // The chosen file's full path, or nothing when the user cancels.
  virtual std::optional<std::string> GetOpenFileName(QWidget* owner,
                                                     const FileOpenRequest& request) = 0;
};

// Asks the desktop to open a document with the application associated with it.
class DesktopOpener {
 public:
  virtual ~DesktopOpener() = default;

  // Opens the file at `path` with `workingDirectory` as the working directory. Nothing
  // happens, and nothing is said, when the file is missing or nothing can open it.
  virtual void OpenDocument(const std::string& path, const std::string& workingDirectory) = 0;
};

}  // namespace tonvale
