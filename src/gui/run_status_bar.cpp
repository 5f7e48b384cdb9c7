#include "gui/run_status_bar.h"

#include <QProgressBar>
#include <QPushButton>
#include <array>

#include "gui/flat_control_style.h"

namespace tonvale {
namespace {

// The captions of the process buttons, so that the bar names a process as its button does.
constexpr std::array<const char*, 4> kProcessNames = {
    "1. peak extraction", "2. peak clustering", "3. pitch recognition", "4. convert into midi"};

constexpr int kMargin = 5;
constexpr int kCancelWidth = 64;

}  // namespace

RunStatusBar::RunStatusBar(QWidget* parent)
    : QWidget(parent), bar_(new QProgressBar(this)), cancel_(new QPushButton("cancel", this)) {
  bar_->setRange(0, 100);
  bar_->setTextVisible(true);
  bar_->setAlignment(Qt::AlignCenter);
  bar_->setFocusPolicy(Qt::NoFocus);
  cancel_->setAutoDefault(false);
  cancel_->setFocusPolicy(Qt::StrongFocus);
  cancel_->setToolTip("Esc");
  FlatControlStyle::MarkFlat(cancel_);
  ShowIdle();
}

void RunStatusBar::ShowIdle() {
  bar_->setValue(0);
  bar_->setFormat(QString());
  cancel_->setEnabled(false);
}

void RunStatusBar::ShowProgress(int process, int percent) {
  const bool known = process >= 1 && process <= static_cast<int>(kProcessNames.size());
  const QString name =
      known ? QString::fromUtf8(kProcessNames[static_cast<size_t>(process - 1)]) : QString();
  bar_->setFormat(name + QStringLiteral("  %p %"));
  bar_->setValue(percent);
  cancel_->setEnabled(true);
}

QString RunStatusBar::Text() const {
  return bar_->format().isEmpty() ? QString() : bar_->text();
}

int RunStatusBar::Percent() const {
  return bar_->value();
}

void RunStatusBar::resizeEvent(QResizeEvent*) {
  const int h = height() - 2 * 3;
  cancel_->setGeometry(width() - kMargin - kCancelWidth, 3, kCancelWidth, h);
  bar_->setGeometry(kMargin, 3, width() - 3 * kMargin - kCancelWidth, h);
}

}  // namespace tonvale
