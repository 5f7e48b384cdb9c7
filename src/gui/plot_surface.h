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

  // The client area in the frame's own coordinates; the picture has its size, unless a
  // picture size was set.
  QRect ClientRect() const;
  // The client area of a frame of this outer size.
  static QSize ClientSizeFor(QSize outer) {
    return (outer - QSize(2 * kBorder, 2 * kBorder)).expandedTo(QSize(0, 0));
  }

  // Keeps the picture at `size` whatever the frame's size: a window scaled down to fit its
  // screen draws its figures at their own size and shows them scaled to the client area. An
  // empty size makes the picture follow the client area again.
  void SetPictureSize(QSize size);

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
  void FitPicture();

  QImage picture_;
  QSize pictureSize_;  // empty: the client area's
  bool focusShown_ = false;
};

}  // namespace tonvale
