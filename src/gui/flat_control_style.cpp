#include "gui/flat_control_style.h"

#include <QPainter>
#include <QStyleFactory>
#include <QStyleOption>
#include <QWidget>

namespace tonvale {
namespace {

constexpr char kFlatProperty[] = "tonvaleFlat";

}  // namespace

FlatControlStyle::FlatControlStyle() : QProxyStyle(QStyleFactory::create("Fusion")) {}

void FlatControlStyle::MarkFlat(QWidget* widget) {
  widget->setProperty(kFlatProperty, true);
}

bool FlatControlStyle::IsFlat(const QWidget* widget) {
  return widget != nullptr && widget->property(kFlatProperty).toBool();
}

void FlatControlStyle::drawPrimitive(PrimitiveElement element, const QStyleOption* option,
                                     QPainter* painter, const QWidget* widget) const {
  if (!IsFlat(widget)) {
    QProxyStyle::drawPrimitive(element, option, painter, widget);
    return;
  }
  const QRect r = option->rect.adjusted(0, 0, -1, -1);
  switch (element) {
    case PE_PanelButtonCommand: {
      bool down = (option->state & (State_Sunken | State_On)) != 0;
      bool hover = (option->state & State_MouseOver) != 0 && (option->state & State_Enabled);
      QColor face = option->palette.button().color();
      if (down) {
        face = face.darker(118);
      } else if (hover) {
        face = face.lighter(104);
      }
      painter->save();
      painter->setPen(option->palette.windowText().color());
      painter->setBrush(face);
      painter->drawRect(r);
      painter->restore();
      return;
    }
    default:
      QProxyStyle::drawPrimitive(element, option, painter, widget);
  }
}

void FlatControlStyle::drawComplexControl(ComplexControl control, const QStyleOptionComplex* option,
                                          QPainter* painter, const QWidget* widget) const {
  const auto* box = qstyleoption_cast<const QStyleOptionGroupBox*>(option);
  if (control != CC_GroupBox || box == nullptr || !IsFlat(widget)) {
    QProxyStyle::drawComplexControl(control, option, painter, widget);
    return;
  }
  painter->save();
  painter->setPen(box->palette.dark().color());
  painter->setBrush(Qt::NoBrush);
  painter->drawRect(subControlRect(control, box, SC_GroupBoxFrame, widget).adjusted(0, 0, -1, -1));
  if (!box->text.isEmpty()) {
    QRect label = subControlRect(control, box, SC_GroupBoxLabel, widget);
    painter->fillRect(label, box->palette.window());
    drawItemText(painter, label, Qt::AlignCenter | Qt::TextShowMnemonic, box->palette,
                 (box->state & State_Enabled) != 0, box->text, QPalette::WindowText);
  }
  painter->restore();
}

QRect FlatControlStyle::subControlRect(ComplexControl control, const QStyleOptionComplex* option,
                                       SubControl subControl, const QWidget* widget) const {
  const auto* box = qstyleoption_cast<const QStyleOptionGroupBox*>(option);
  if (control != CC_GroupBox || box == nullptr || !IsFlat(widget)) {
    return QProxyStyle::subControlRect(control, option, subControl, widget);
  }
  // The title sits on the top line, a little in from the left; the frame starts at the
  // middle of the title's height.
  constexpr int kTitleIndent = 6;
  constexpr int kTitlePadding = 2;
  const int textHeight = box->fontMetrics.height();
  const QRect frame = box->rect.adjusted(0, textHeight / 2, 0, 0);
  switch (subControl) {
    case SC_GroupBoxFrame:
      return frame;
    case SC_GroupBoxLabel:
      return QRect(box->rect.x() + kTitleIndent, box->rect.y(),
                   box->fontMetrics.horizontalAdvance(box->text) + 2 * kTitlePadding, textHeight);
    case SC_GroupBoxContents:
      return frame.adjusted(1, textHeight / 2 + 1, -1, -1);
    default:
      return QRect();
  }
}

int FlatControlStyle::pixelMetric(PixelMetric metric, const QStyleOption* option,
                                  const QWidget* widget) const {
  // Captions such as "3. pitch recognition" fill their narrow buttons; a flat button needs no
  // room for a bevel.
  if (IsFlat(widget) && (metric == PM_ButtonMargin || metric == PM_DefaultFrameWidth)) return 1;
  return QProxyStyle::pixelMetric(metric, option, widget);
}

}  // namespace tonvale
