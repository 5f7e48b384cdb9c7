#include "gui/plot_surface.h"

#include <QPaintEvent>
#include <QPainter>

namespace tonvale {

PlotSurface::PlotSurface(QWidget* parent) : QWidget(parent) {
  setAttribute(Qt::WA_TransparentForMouseEvents);
  setFocusPolicy(Qt::NoFocus);
}

QRect PlotSurface::ClientRect() const {
  return rect().adjusted(kBorder, kBorder, -kBorder, -kBorder);
}

void PlotSurface::PictureChanged() {
  update(ClientRect());
}

void PlotSurface::SetPictureSize(QSize size) {
  pictureSize_ = size;
  FitPicture();
  update();
}

void PlotSurface::resizeEvent(QResizeEvent*) {
  FitPicture();
}

void PlotSurface::FitPicture() {
  const QSize size =
      pictureSize_.isEmpty() ? ClientRect().size().expandedTo(QSize(0, 0)) : pictureSize_;
  if (picture_.size() == size) return;
  QImage resized(size, QImage::Format_ARGB32_Premultiplied);
  resized.fill(Qt::transparent);
  if (!picture_.isNull()) {
    QPainter painter(&resized);
    painter.drawImage(0, 0, picture_);
  }
  picture_ = std::move(resized);
}

void PlotSurface::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  const QRect outer = rect().adjusted(0, 0, -1, -1);
  // A black outline, and inside it a sunken edge: dark above and left, light below and right.
  painter.setPen(Qt::black);
  painter.drawRect(outer);
  const QRect inner = outer.adjusted(1, 1, -1, -1);
  painter.setPen(palette().dark().color());
  painter.drawLine(inner.topLeft(), inner.topRight());
  painter.drawLine(inner.topLeft(), inner.bottomLeft());
  painter.setPen(palette().light().color());
  painter.drawLine(inner.bottomLeft(), inner.bottomRight());
  painter.drawLine(inner.topRight(), inner.bottomRight());
  if (picture_.size() == ClientRect().size()) {
    painter.drawImage(ClientRect().topLeft(), picture_);
  } else {
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.drawImage(ClientRect(), picture_);
  }
  if (focusShown_) {
    QPen dotted(palette().highlight().color(), 1, Qt::DotLine);
    painter.setPen(dotted);
    painter.drawRect(ClientRect().adjusted(2, 2, -3, -3));
  }
}

void PlotSurface::SetFocusShown(bool shown) {
  if (focusShown_ == shown) return;
  focusShown_ = shown;
  update();
}

}  // namespace tonvale
