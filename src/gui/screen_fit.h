#pragma once

#include <QPoint>
#include <QRect>
#include <QSize>
#include <optional>

namespace tonvale {

// Room a window's frame (title bar and borders) takes beyond its client area. The window
// system tells the true frame only once the window is shown; this is more than common title
// bars take, so that a window placed with it fits whatever its decorations.
inline constexpr QSize kFrameAllowance{16, 48};

// The scale at which a window of client size `client` fits `available` (a screen's area
// without its panels) together with `frame`: 1 when it fits as it is, else the largest scale
// below 1 at which it does. Never below a tenth.
double FitScale(QSize client, QRect available, QSize frame = kFrameAllowance);

// Where the top-left corner of a window frame of size `frame` goes in `available`: at
// `remembered` when the whole frame lies inside there; moved in by the least distance when it
// would stick out; centred when nothing is remembered. A frame larger than the area is
// aligned with its top-left corner.
QPoint PlaceWindow(QSize frame, QRect available, std::optional<QPoint> remembered);

}  // namespace tonvale
