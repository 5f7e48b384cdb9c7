#include "gui/dialog_window.h"

#include <QAbstractButton>
#include <QApplication>
#include <QButtonGroup>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <algorithm>

#include "gui/dialog_units.h"
#include "gui/flat_control_style.h"
#include "gui/log_list_box.h"
#include "gui/plot_surface.h"

namespace tonvale {
namespace {

QString ToQString(const std::string& utf8) {
  return QString::fromStdString(utf8);
}

Qt::WindowFlags WindowFlagsOf(const DialogTemplate& t) {
  Qt::WindowFlags flags = t.Has(kStyleAppWindow) ? Qt::Window : Qt::Dialog;
  flags |= Qt::CustomizeWindowHint;
  if (t.Has(kStyleCaption)) flags |= Qt::WindowTitleHint;
  if (t.Has(kStyleSysMenu)) flags |= Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint;
  if (t.Has(kStyleMinimizeBox)) flags |= Qt::WindowMinimizeButtonHint;
  if (t.Has(kStyleMaximizeBox)) flags |= Qt::WindowMaximizeButtonHint;
  return flags;
}

}  // namespace

DialogWindow::DialogWindow(const DialogTemplate& dialogTemplate, QWidget* parent)
    : QDialog(parent, WindowFlagsOf(dialogTemplate)), template_(dialogTemplate) {
  setWindowTitle(ToQString(template_.caption));
  if (!template_.fontFace.empty()) {
    setFont(QFont(ToQString(template_.fontFace), template_.fontPoints));
  }
  if (template_.Has(kStyleModalFrame)) {
    setFixedSize(DialogClientSize(template_));
  } else {
    resize(DialogClientSize(template_));
  }

  QButtonGroup* radioGroup = nullptr;
  QWidget* previousTabStop = nullptr;
  for (const ControlTemplate& control : template_.controls) {
    QWidget* widget = CreateControl(control);
    widget->setGeometry(DialogUnitsToPixels(control.rect));
    if (control.id != kNoControlId) {
      widget->setObjectName(QStringLiteral("control%1").arg(control.id));
    }
    if (control.Has(kStyleFlat)) FlatControlStyle::MarkFlat(widget);

    if (auto* radio = dynamic_cast<QRadioButton*>(widget)) {
      if (radioGroup == nullptr || control.Has(kStyleGroup)) {
        radioGroup = new QButtonGroup(this);
        radioGroup->setExclusive(true);
      }
      radioGroup->addButton(radio);
    }
    if (auto* button = dynamic_cast<QAbstractButton*>(widget)) {
      const int id = control.id;
      connect(button, &QAbstractButton::clicked, this, [this, id] { OnCommand(id); });
      button->setFocusPolicy(control.Has(kStyleTabStop) ? Qt::StrongFocus : Qt::ClickFocus);
    }
    if (control.Has(kStyleTabStop)) {
      widget->setFocusPolicy(Qt::StrongFocus);
      if (previousTabStop != nullptr) QWidget::setTabOrder(previousTabStop, widget);
      previousTabStop = widget;
    }
    controls_.push_back({&control, widget});
  }

  // A group box is only a frame with a title behind its neighbours, and a static frame lies on
  // top of what it frames; neither takes the mouse.
  for (const PlacedControl& placed : controls_) {
    if (placed.control->kind == ControlKind::kGroupBox) placed.widget->lower();
    if (placed.control->kind == ControlKind::kStatic) placed.widget->raise();
  }

  templateFont_ = font();
  qApp->installEventFilter(this);
}

void DialogWindow::SetScale(double scale) {
  scale_ = scale;
  // Edges are scaled, not extents, so that controls that touch keep touching.
  auto scaled = [scale](const QRect& r) {
    return QRect(QPoint(qRound(r.left() * scale), qRound(r.top() * scale)),
                 QPoint(qRound((r.left() + r.width()) * scale) - 1,
                        qRound((r.top() + r.height()) * scale) - 1));
  };
  const bool whole = scale == 1.0;
  for (const PlacedControl& placed : controls_) {
    const QRect rect = DialogUnitsToPixels(placed.control->rect);
    if (auto* surface = dynamic_cast<PlotSurface*>(placed.widget)) {
      surface->SetPictureSize(whole ? QSize() : PlotSurface::ClientSizeFor(rect.size()));
    }
    placed.widget->setGeometry(scaled(rect));
  }
  QFont shrunk = templateFont_;
  if (templateFont_.pointSizeF() > 0) {
    shrunk.setPointSizeF(templateFont_.pointSizeF() * scale);
  } else if (templateFont_.pixelSize() > 0) {
    shrunk.setPixelSize(std::max(1, qRound(templateFont_.pixelSize() * scale)));
  }
  setFont(shrunk);
  const QSize client = scaled(QRect(QPoint(0, 0), DialogClientSize(template_))).size();
  if (template_.Has(kStyleModalFrame)) {
    setFixedSize(client);
  } else {
    resize(client);
  }
}

DialogWindow::~DialogWindow() {
  qApp->removeEventFilter(this);
}

QWidget* DialogWindow::CreateControl(const ControlTemplate& control) {
  const QString caption = ToQString(control.caption);
  switch (control.kind) {
    case ControlKind::kEdit: {
      auto* edit = new QLineEdit(this);
      edit->setFrame(control.Has(kStyleBorder));
      return edit;
    }
    case ControlKind::kPushButton: {
      auto* button = new QPushButton(caption, this);
      button->setAutoDefault(false);
      return button;
    }
    case ControlKind::kAutoRadioButton:
      return new QRadioButton(caption, this);
    case ControlKind::kGroupBox: {
      auto* box = new QGroupBox(caption, this);
      box->setAttribute(Qt::WA_TransparentForMouseEvents);
      box->setFocusPolicy(Qt::NoFocus);
      return box;
    }
    case ControlKind::kListBox: {
      auto* list = new LogListBox(this);
      if (!control.Has(kStyleBorder)) list->setFrameShape(QFrame::NoFrame);
      if (!control.Has(kStyleVScroll)) {
        list->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
      }
      return list;
    }
    case ControlKind::kStatic:
      if (control.Has(kStyleBlackFrame)) return new PlotSurface(this);
      {
        auto* label = new QLabel(caption, this);
        label->setAttribute(Qt::WA_TransparentForMouseEvents);
        return label;
      }
  }
  return new QWidget(this);
}

QWidget* DialogWindow::Control(int id) const {
  if (id == kNoControlId) return nullptr;
  for (const PlacedControl& placed : controls_) {
    if (placed.control->id == id) return placed.widget;
  }
  return nullptr;
}

bool DialogWindow::IsChecked(int id) const {
  auto* button = ControlAs<QAbstractButton>(id);
  return button != nullptr && button->isChecked();
}

void DialogWindow::SetChecked(int id, bool checked) {
  if (auto* button = ControlAs<QAbstractButton>(id)) button->setChecked(checked);
}

void DialogWindow::UpdateData(bool saveAndValidate) {
  DataExchange dx(*this, saveAndValidate);
  DoDataExchange(dx);
}

void DialogWindow::setVisible(bool visible) {
  bool focusFirst = false;
  if (visible && !initialized_) {
    initialized_ = true;
    UpdateData(false);
    focusFirst = OnInitDialog();
  }
  QDialog::setVisible(visible);
  if (focusFirst) {
    for (const PlacedControl& placed : controls_) {
      if (placed.control->Has(kStyleTabStop) && placed.widget->isEnabled()) {
        placed.widget->setFocus(Qt::TabFocusReason);
        break;
      }
    }
  }
}

void DialogWindow::done(int result) {
  endResult_ = result;
  QDialog::done(result);
}

void DialogWindow::DoDataExchange(DataExchange&) {}

bool DialogWindow::OnInitDialog() {
  return true;
}

bool DialogWindow::PreTranslateKeyDown(const QKeyEvent&) {
  return false;
}

void DialogWindow::OnCommand(int) {}

bool DialogWindow::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::KeyPress && watched->isWidgetType() &&
      static_cast<QWidget*>(watched)->window() == this) {
    if (PreTranslateKeyDown(*static_cast<QKeyEvent*>(event))) return true;
  }
  return QDialog::eventFilter(watched, event);
}

void DataExchange::Text(int id, std::string& value) {
  auto* edit = window_.ControlAs<QLineEdit>(id);
  if (edit == nullptr) return;
  if (saving_) {
    value = edit->text().toStdString();
  } else {
    edit->setText(QString::fromStdString(value));
  }
}

}  // namespace tonvale
