#pragma once

#include <QProxyStyle>

class QWidget;

namespace tonvale {

// The look of the template's flat controls: push buttons with a one-pixel black outline and a
// plain face, group boxes with a one-pixel grey frame whose title interrupts the top line.
// Everything else is drawn by the base style (Fusion). A widget asks for the flat look with
// MarkFlat().
class FlatControlStyle : public QProxyStyle {
 public:
  FlatControlStyle();

  static void MarkFlat(QWidget* widget);
  static bool IsFlat(const QWidget* widget);

  void drawPrimitive(PrimitiveElement element, const QStyleOption* option, QPainter* painter,
                     const QWidget* widget) const override;
  void drawComplexControl(ComplexControl control, const QStyleOptionComplex* option,
                          QPainter* painter, const QWidget* widget) const override;
  QRect subControlRect(ComplexControl control, const QStyleOptionComplex* option,
                       SubControl subControl, const QWidget* widget) const override;
  int pixelMetric(PixelMetric metric, const QStyleOption* option,
                  const QWidget* widget) const override;
};

}  // namespace tonvale
