#pragma once

#include <QListWidget>
#include <atomic>
#include <cstdint>
#include <string_view>

#include "app/message_log.h"

class QContextMenuEvent;
class QKeyEvent;

namespace tonvale {

// A list box of text lines that are only appended or cleared all at once. After every append
// the newest line is scrolled into view; long lines scroll sideways. Line breaks inside a line
// are shown as spaces, so every line stays one entry of one row. Lines can be selected and
// copied (Ctrl+C, or the context menu's "copy" and "copy all").
//
// It can follow a message log: then it shows exactly the log's lines, also while another
// thread appends to the log (the list box catches up on its own thread).
class LogListBox : public QListWidget, private MessageLog::Observer {
 public:
  explicit LogListBox(QWidget* parent);
  ~LogListBox() override;

  // Shows `log` from now on; null stops following. The log must outlive the following.
  void Follow(MessageLog* log);

  void ResetContent();
  void AppendString(std::string_view utf8);

  int LineCount() const { return count(); }
  QString Line(int index) const;

  // The selected lines, or every line, one per text line, as the copy commands copy them.
  QString SelectedText() const;
  QString AllText() const;
  void CopySelection() const;
  void CopyAll() const;

 protected:
  void keyPressEvent(QKeyEvent* event) override;
  void contextMenuEvent(QContextMenuEvent* event) override;

 private:
  // Brings the list up to the followed log; on the list box's own thread only.
  void CatchUp();
  void ScheduleCatchUp();
  void AddLine(std::string_view utf8);

  // MessageLog::Observer: called on whichever thread changed the log.
  void OnLogCleared() override { ScheduleCatchUp(); }
  void OnLineAppended(std::string_view) override { ScheduleCatchUp(); }

  MessageLog* log_ = nullptr;
  uint64_t generation_ = UINT64_MAX;  // the log's clearings when the list last caught up
  std::atomic<bool> catchUpQueued_{false};
};

}  // namespace tonvale
