#pragma once

#include <QFont>
#include <QImage>

#include "figures/canvas.h"

namespace tonvale {

// A figure surface over an image in memory, drawn pixel for pixel by the rules of Canvas:
// outlines are one pixel wide and never smoothed, right and bottom edges and the end points
// of lines are left out, dotted lines alternate one pixel on and one off. Text goes through
// the font engine (so a QGuiApplication must exist) in the face nearest to the one asked for,
// kept inside the box the requested cell sizes give it.
class RasterCanvas : public Canvas {
 public:
  // A white image of this size at 96 pixels per inch, owned by the canvas.
  RasterCanvas(int width, int height);
  // Draws into `target` (32 bits per pixel, RGB or premultiplied ARGB), which must outlive the
  // canvas; its resolution is set to 96 pixels per inch.
  explicit RasterCanvas(QImage& target);

  const QImage& image() const { return external_ != nullptr ? *external_ : owned_; }
  Color PixelAt(int x, int y) const;

  int Width() const override { return image().width(); }
  int Height() const override { return image().height(); }
  int VerticalResolution() const override { return kDotsPerInch; }

  void FillRect(int left, int top, int right, int bottom, Color color) override;
  void Rectangle(int left, int top, int right, int bottom) override;
  void Ellipse(int left, int top, int right, int bottom) override;
  void SetPixel(int x, int y, Color color) override;
  void Line(int x0, int y0, int x1, int y1) override;
  void SelectDottedPen() override { dotted_ = true; }
  void SelectSolidPen() override { dotted_ = false; }
  void SelectFont(const FontSpec& font) override;
  void Text(int x, int y, std::string_view text) override;

  // The font that a request maps to on this surface.
  QFont FontFor(const FontSpec& spec) const;

 private:
  static constexpr int kDotsPerInch = 96;

  bool Inside(int x, int y) const { return x >= 0 && y >= 0 && x < Width() && y < Height(); }
  void Put(int x, int y, QRgb rgb) {
    if (Inside(x, y)) reinterpret_cast<QRgb*>(Target().scanLine(y))[x] = rgb;
  }
  QImage& Target() { return external_ != nullptr ? *external_ : owned_; }

  QImage owned_;
  QImage* external_ = nullptr;
  bool dotted_ = false;
  FontSpec fontSpec_;
  QFont font_;
};

}  // namespace tonvale
