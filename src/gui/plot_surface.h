#pragma once

#include <QImage>
#include <QRect>
#include <QWidget>

namespace tonvale {

// The sunken black frame in which figures are drawn. Its client area, inside a two-pixel
// border, holds a picture that the figure code paints into; the picture is kept, so the frame
// shows it again whenever it is uncovered. Until something is painted the picture is
// transparent and whatever lies beneath the frame shows through. The frame takes no mouse
// input: clicks reach the control beneath it.
class PlotSurface : public QWidget {
 public:
  static constexpr int kBorder = 2;

  explicit PlotSurface(QWidget* parent);

  // The client area in the frame's own coordinates; the picture has its size.
  QRect ClientRect() const;

  // The picture, in client-area pixels (ARGB32, premultiplied). Paint into it, then call
  // PictureChanged().
  QImage& Picture() { return picture_; }
  const QImage& Picture() const { return picture_; }
  void PictureChanged();

  // A dotted rectangle inside the border shows that the frame has the keyboard focus.
  void SetFocusShown(bool shown);

 protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

 private:
  QImage picture_;
  bool focusShown_ = false;
};

}  // namespace tonvale
