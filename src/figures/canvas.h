#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace tonvale {

struct Color {
  uint8_t red = 0;
  uint8_t green = 0;
  uint8_t blue = 0;
  friend bool operator==(const Color&, const Color&) = default;
};

inline constexpr Color kBlack{0, 0, 0};
inline constexpr Color kWhite{255, 255, 255};

// A font as the figure asks for it. Heights follow the usual logical-font rule: a positive
// height is the character cell (ascent plus descent), a negative one the em height, 0 the
// surface's choice. Width is the average character width, 0 for the face's own proportions.
// Escapement is in tenths of a degree counter-clockwise (900 turns text to read upwards);
// weight 0 means normal. An empty face is the surface's default face.
struct FontSpec {
  int height = 0;
  int width = 0;
  int escapement = 0;
  int weight = 0;
  std::string face;
  friend bool operator==(const FontSpec&, const FontSpec&) = default;
};

// The drawing surface of a figure: the few operations a time-frequency plot needs, with the
// pixel rules the plot's constants were laid out for. Coordinates are pixels from the top-left
// corner of the surface; anything outside it is clipped. Rectangles are given by their left,
// top, right and bottom edges, the right and bottom edges being exclusive.
class Canvas {
 public:
  virtual ~Canvas() = default;

  // A figure is drawn between one Begin() and one End(); End() publishes what was drawn.
  virtual void Begin() {}
  virtual void End() {}

  // Size of the whole surface.
  virtual int Width() const = 0;
  virtual int Height() const = 0;

  // Pixels per logical inch vertically, for fonts given in points.
  virtual int VerticalResolution() const = 0;

  // Solid fill; white also becomes the background behind text.
  virtual void FillRect(int left, int top, int right, int bottom, Color color) = 0;
  // Outlined with the solid black 1-pixel pen and filled white.
  virtual void Rectangle(int left, int top, int right, int bottom) = 0;
  virtual void Ellipse(int left, int top, int right, int bottom) = 0;
  virtual void SetPixel(int x, int y, Color color) = 0;
  // A line with the current pen from (x0, y0) up to, but not including, (x1, y1).
  virtual void Line(int x0, int y0, int x1, int y1) = 0;

  // The pen of Line(): solid black by default, or dotted black (one pixel on, one off,
  // starting on, the gaps left as they were) until the solid pen is selected again.
  virtual void SelectDottedPen() = 0;
  virtual void SelectSolidPen() = 0;

  // The font of Text(), selected for one use.
  virtual void SelectFont(const FontSpec& font) = 0;
  // UTF-8 text in black on an opaque white box; (x, y) is the top-left corner of the text
  // before it is turned by the font's escapement.
  virtual void Text(int x, int y, std::string_view text) = 0;
};

}  // namespace tonvale
