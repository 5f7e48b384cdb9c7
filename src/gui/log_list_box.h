#pragma once

#include <QListWidget>
#include <string_view>

namespace tonvale {

// A list box of text lines that are only appended or cleared all at once. Appending neither
// scrolls the view nor selects anything: the user scrolls to later lines. Line breaks inside
// a line are shown as spaces, so every line stays one entry of one row.
class LogListBox : public QListWidget {
 public:
  explicit LogListBox(QWidget* parent);

  void ResetContent();
  void AppendString(std::string_view utf8);

  int LineCount() const { return count(); }
  QString Line(int index) const;
};

}  // namespace tonvale
