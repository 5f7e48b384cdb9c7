#include "gui/console_user_dialogs.h"

#include <cstdio>

namespace tonvale {

void ConsoleUserDialogs::ShowMessageBox(QWidget*, const std::string& text,
                                        const std::string& caption, MessageIcon) {
  std::fprintf(stderr, "tonvale: [%s] %s\n", caption.c_str(), text.c_str());
}

std::optional<std::string> ConsoleUserDialogs::GetOpenFileName(QWidget*, const FileOpenRequest&) {
  return std::nullopt;
}

}  // namespace tonvale
