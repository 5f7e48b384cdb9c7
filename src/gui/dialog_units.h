#pragma once

#include <QRect>
#include <QSize>

#include "gui/dialog_template.h"

namespace tonvale {

// One dialog unit is 1.75 px across and 1.5 px down, whatever the font, so that the figure
// layouts fit their frames. Each coordinate and each extent is rounded to the nearest pixel
// on its own, halves upwards.
constexpr int DialogUnitsToPixelsX(int units) {
  return (units * 7 + 2) / 4;
}
constexpr int DialogUnitsToPixelsY(int units) {
  return (units * 3 + 1) / 2;
}

inline QRect DialogUnitsToPixels(const DialogRect& r) {
  return QRect(DialogUnitsToPixelsX(r.x), DialogUnitsToPixelsY(r.y), DialogUnitsToPixelsX(r.width),
               DialogUnitsToPixelsY(r.height));
}

inline QSize DialogClientSize(const DialogTemplate& t) {
  return QSize(DialogUnitsToPixelsX(t.width), DialogUnitsToPixelsY(t.height));
}

}  // namespace tonvale
