#include "gui/screen_fit.h"

#include <algorithm>

namespace tonvale {

double FitScale(QSize client, QRect available, QSize frame) {
  if (client.width() <= 0 || client.height() <= 0) return 1.0;
  const double across = static_cast<double>(available.width() - frame.width()) / client.width();
  const double down = static_cast<double>(available.height() - frame.height()) / client.height();
  return std::clamp(std::min(across, down), 0.1, 1.0);
}

QPoint PlaceWindow(QSize frame, QRect available, std::optional<QPoint> remembered) {
  const QPoint wanted =
      remembered.value_or(QPoint(available.left() + (available.width() - frame.width()) / 2,
                                 available.top() + (available.height() - frame.height()) / 2));
  // The right and bottom limits first, so that an oversized frame keeps its top-left corner.
  const int x = std::max(
      available.left(), std::min(wanted.x(), available.left() + available.width() - frame.width()));
  const int y = std::max(
      available.top(), std::min(wanted.y(), available.top() + available.height() - frame.height()));
  return {x, y};
}

}  // namespace tonvale
