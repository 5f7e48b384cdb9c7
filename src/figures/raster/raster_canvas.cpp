#include "figures/raster/raster_canvas.h"

#include <QFontMetricsF>
#include <QPainter>
#include <QString>
#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace tonvale {
namespace {

QRgb ToRgb(Color color) {
  return qRgb(color.red, color.green, color.blue);
}

// The faces that stand in for the ones the figure names.
QStringList FamiliesFor(const std::string& face) {
  if (face.empty()) return {"IPAPGothic", "DejaVu Sans"};
  if (face == "Arial") return {"Liberation Sans", "DejaVu Sans"};
  return {QString::fromStdString(face), "DejaVu Sans"};
}

}  // namespace

namespace {

void SetStandardResolution(QImage& image) {
  constexpr double kMetersPerInch = 0.0254;
  constexpr int kDotsPerInch = 96;
  int dotsPerMeter = static_cast<int>(std::lround(kDotsPerInch / kMetersPerInch));
  image.setDotsPerMeterX(dotsPerMeter);
  image.setDotsPerMeterY(dotsPerMeter);
}

}  // namespace

RasterCanvas::RasterCanvas(int width, int height)
    : owned_(std::max(width, 1), std::max(height, 1), QImage::Format_RGB32) {
  SetStandardResolution(owned_);
  owned_.fill(Qt::white);
}

RasterCanvas::RasterCanvas(QImage& target) : external_(&target) {
  SetStandardResolution(target);
}

Color RasterCanvas::PixelAt(int x, int y) const {
  if (!Inside(x, y)) return kWhite;
  QRgb rgb = image().pixel(x, y);
  return {static_cast<uint8_t>(qRed(rgb)), static_cast<uint8_t>(qGreen(rgb)),
          static_cast<uint8_t>(qBlue(rgb))};
}

void RasterCanvas::SetPixel(int x, int y, Color color) {
  Put(x, y, ToRgb(color));
}

void RasterCanvas::FillRect(int left, int top, int right, int bottom, Color color) {
  int x0 = std::max(std::min(left, right), 0);
  int x1 = std::min(std::max(left, right), Width());
  int y0 = std::max(std::min(top, bottom), 0);
  int y1 = std::min(std::max(top, bottom), Height());
  QRgb rgb = ToRgb(color);
  for (int y = y0; y < y1; ++y) {
    QRgb* row = reinterpret_cast<QRgb*>(Target().scanLine(y));
    std::fill(row + x0, row + std::max(x0, x1), rgb);
  }
}

void RasterCanvas::Rectangle(int left, int top, int right, int bottom) {
  if (left > right) std::swap(left, right);
  if (top > bottom) std::swap(top, bottom);
  if (right - left < 1 || bottom - top < 1) return;
  FillRect(left, top, right, bottom, kWhite);
  const QRgb black = ToRgb(kBlack);
  for (int x = std::max(left, 0); x < std::min(right, Width()); ++x) {
    Put(x, top, black);
    Put(x, bottom - 1, black);
  }
  for (int y = std::max(top, 0); y < std::min(bottom, Height()); ++y) {
    Put(left, y, black);
    Put(right - 1, y, black);
  }
}

// The ellipse inscribed in the box's edges covers the pixels whose centres lie inside it; those
// of them next to a pixel outside (left, right, above or below) form the outline, the others
// are filled white. A 4 x 4 box gives a ring of eight pixels around four white ones.
void RasterCanvas::Ellipse(int left, int top, int right, int bottom) {
  if (left > right) std::swap(left, right);
  if (top > bottom) std::swap(top, bottom);
  const int w = right - left;
  const int h = bottom - top;
  if (w < 1 || h < 1) return;
  // Boxes far larger than any surface are not worth a pixel map.
  if (right < 0 || bottom < 0 || left >= Width() || top >= Height()) return;
  if (w > 4 * Width() + 8 || h > 4 * Height() + 8) return;
  const double a = w / 2.0;
  const double b = h / 2.0;
  auto inside = [&](int i, int j) {
    if (i < 0 || j < 0 || i >= w || j >= h) return false;
    double dx = (i + 0.5 - a) / a;
    double dy = (j + 0.5 - b) / b;
    return dx * dx + dy * dy <= 1.0;
  };
  const QRgb black = ToRgb(kBlack);
  const QRgb white = ToRgb(kWhite);
  for (int j = 0; j < h; ++j) {
    for (int i = 0; i < w; ++i) {
      if (!inside(i, j)) continue;
      bool edge = !inside(i - 1, j) || !inside(i + 1, j) || !inside(i, j - 1) || !inside(i, j + 1);
      Put(left + i, top + j, edge ? black : white);
    }
  }
}

void RasterCanvas::Line(int x0, int y0, int x1, int y1) {
  const QRgb black = ToRgb(kBlack);
  // A pixel is drawn at every step of the walk (every other one with the dotted pen), the
  // step counted from the start point whether or not that lies on the surface.
  auto draw = [&](int64_t step, int x, int y) {
    if (!dotted_ || step % 2 == 0) Put(x, y, black);
  };
  if (y0 == y1 || x0 == x1) {
    // Straight lines are clipped before they are walked, however far they reach.
    const bool across = y0 == y1;
    const int from = across ? x0 : y0;
    const int to = across ? x1 : y1;
    const int limit = across ? Width() : Height();
    const int direction = from < to ? 1 : -1;
    int64_t first = direction > 0 ? std::max<int64_t>(0, -int64_t{from})
                                  : std::max<int64_t>(0, int64_t{from} - (limit - 1));
    int64_t last = std::llabs(int64_t{to} - from);  // excluded
    for (int64_t step = first; step < last; ++step) {
      int64_t at = from + direction * step;
      if (at < 0 || at >= limit) break;
      draw(step, across ? static_cast<int>(at) : x0, across ? y0 : static_cast<int>(at));
    }
    return;
  }
  const int64_t dx = std::llabs(int64_t{x1} - x0);
  const int64_t dy = std::llabs(int64_t{y1} - y0);
  const int sx = x0 < x1 ? 1 : -1;
  const int sy = y0 < y1 ? 1 : -1;
  int64_t error = dx - dy;
  int x = x0;
  int y = y0;
  for (int64_t step = 0; !(x == x1 && y == y1); ++step) {
    draw(step, x, y);
    int64_t twice = 2 * error;
    if (twice > -dy) {
      error -= dy;
      x += sx;
    }
    if (twice < dx) {
      error += dx;
      y += sy;
    }
  }
}

QFont RasterCanvas::FontFor(const FontSpec& spec) const {
  QFont font;
  font.setFamilies(FamiliesFor(spec.face));
  font.setWeight(spec.weight >= 600 ? QFont::Bold : QFont::Normal);
  font.setHintingPreference(QFont::PreferNoHinting);
  // Sizes are worked out from a 100-pixel em: a positive height is the cell (ascent plus
  // descent), a negative one the em itself.
  constexpr double kProbe = 100.0;
  font.setPixelSize(static_cast<int>(kProbe));
  QFontMetricsF probe(font, &image());
  double em = 12.0;
  if (spec.height < 0) em = -spec.height;
  if (spec.height > 0) em = spec.height * kProbe / probe.height();
  if (spec.width > 0) {
    // The labels are digits: each one gets exactly the requested width.
    double digit = probe.horizontalAdvance(QLatin1Char('0')) * em / kProbe;
    int stretch = static_cast<int>(std::lround(100.0 * spec.width / digit));
    font.setStretch(std::clamp(stretch, 1, 4000));
  }
  font.setPointSizeF(em * 72.0 / kDotsPerInch);
  return font;
}

void RasterCanvas::SelectFont(const FontSpec& font) {
  if (font == fontSpec_ && font_ != QFont()) return;
  fontSpec_ = font;
  font_ = FontFor(font);
}

void RasterCanvas::Text(int x, int y, std::string_view text) {
  if (text.empty() || image().isNull()) return;
  QString string = QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
  QPainter painter(&Target());
  painter.setFont(font_);
  QFontMetricsF metrics(font_, &image());
  // The opaque box: the text's advance by the cell height, whole pixels.
  QRectF box(0, 0, std::round(metrics.horizontalAdvance(string)), std::round(metrics.height()));
  painter.translate(x, y);
  if (fontSpec_.escapement != 0) painter.rotate(-fontSpec_.escapement / 10.0);
  painter.fillRect(box, Qt::white);
  painter.setClipRect(box);
  painter.setRenderHint(QPainter::TextAntialiasing, true);
  painter.setPen(Qt::black);
  painter.drawText(QPointF(0, metrics.ascent()), string);
}

}  // namespace tonvale
