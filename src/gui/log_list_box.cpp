#include "gui/log_list_box.h"

#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QMenu>
#include <QThread>
#include <string>
#include <vector>

namespace tonvale {

LogListBox::LogListBox(QWidget* parent) : QListWidget(parent) {
  setSelectionMode(QAbstractItemView::ExtendedSelection);
  // A click gives it the focus for Ctrl+C; Tab passes it by, from button to button.
  setFocusPolicy(Qt::ClickFocus);
  // Lines differ in width, and the widest decides how far the list scrolls sideways.
  setUniformItemSizes(false);
  setTextElideMode(Qt::ElideNone);
  setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
  setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
  setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
  setVerticalScrollMode(QAbstractItemView::ScrollPerItem);
}

LogListBox::~LogListBox() {
  Follow(nullptr);
}

void LogListBox::Follow(MessageLog* log) {
  if (log_ != nullptr) log_->RemoveObserver(this);
  log_ = log;
  generation_ = UINT64_MAX;
  if (log_ == nullptr) return;
  log_->AddObserver(this);
  CatchUp();
}

void LogListBox::ScheduleCatchUp() {
  if (QThread::currentThread() == thread()) {
    CatchUp();
    return;
  }
  // One pending catch-up takes in every change made until it runs.
  if (catchUpQueued_.exchange(true)) return;
  QMetaObject::invokeMethod(
      this,
      [this] {
        catchUpQueued_ = false;
        CatchUp();
      },
      Qt::QueuedConnection);
}

void LogListBox::CatchUp() {
  if (log_ == nullptr) return;
  std::vector<std::string> lines;
  if (log_->LinesSince(static_cast<size_t>(count()), generation_, lines)) clear();
  if (lines.empty()) return;
  for (const std::string& line : lines) AddLine(line);
  scrollToBottom();
}

void LogListBox::ResetContent() {
  clear();
}

void LogListBox::AppendString(std::string_view utf8) {
  AddLine(utf8);
  scrollToBottom();
}

void LogListBox::AddLine(std::string_view utf8) {
  QString text = QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
  for (QChar& c : text) {
    if (c == QLatin1Char('\n') || c == QLatin1Char('\r')) c = QLatin1Char(' ');
  }
  addItem(text);
}

QString LogListBox::Line(int index) const {
  const QListWidgetItem* entry = item(index);
  return entry != nullptr ? entry->text() : QString();
}

QString LogListBox::SelectedText() const {
  QStringList lines;
  // In the order of the list, whatever the order of selecting.
  for (int i = 0; i < count(); ++i) {
    if (item(i)->isSelected()) lines << item(i)->text();
  }
  return lines.join(QLatin1Char('\n'));
}

QString LogListBox::AllText() const {
  QStringList lines;
  for (int i = 0; i < count(); ++i) lines << item(i)->text();
  return lines.join(QLatin1Char('\n'));
}

void LogListBox::CopySelection() const {
  const QString text = SelectedText();
  if (!text.isEmpty()) QApplication::clipboard()->setText(text);
}

void LogListBox::CopyAll() const {
  QApplication::clipboard()->setText(AllText());
}

void LogListBox::keyPressEvent(QKeyEvent* event) {
  if (event->matches(QKeySequence::Copy)) {
    CopySelection();
    return;
  }
  QListWidget::keyPressEvent(event);
}

void LogListBox::contextMenuEvent(QContextMenuEvent* event) {
  QMenu menu(this);
  QAction* copy = menu.addAction(QStringLiteral("copy"), this, &LogListBox::CopySelection);
  copy->setShortcut(QKeySequence::Copy);
  copy->setEnabled(!selectedItems().isEmpty());
  menu.addAction(QStringLiteral("copy all"), this, &LogListBox::CopyAll)->setEnabled(count() > 0);
  menu.exec(event->globalPos());
}

}  // namespace tonvale
