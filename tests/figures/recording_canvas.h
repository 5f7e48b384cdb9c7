#pragma once

#include <string>
#include <vector>

#include "app/numbers.h"
#include "figures/canvas.h"

namespace tonvale::testing {

// Keeps every operation a figure asks of its surface as one line of text, so that tests can
// check the order and the arguments of the drawing without looking at pixels.
class RecordingCanvas : public Canvas {
 public:
  int Width() const override { return 563; }
  int Height() const override { return 280; }
  int VerticalResolution() const override { return 96; }

  void Begin() override { Add("Begin"); }
  void End() override { Add("End"); }
  void FillRect(int l, int t, int r, int b, Color c) override {
    Add(Format("FillRect %d %d %d %d %d,%d,%d", l, t, r, b, c.red, c.green, c.blue));
  }
  void Rectangle(int l, int t, int r, int b) override {
    Add(Format("Rectangle %d %d %d %d", l, t, r, b));
  }
  void Ellipse(int l, int t, int r, int b) override {
    Add(Format("Ellipse %d %d %d %d", l, t, r, b));
  }
  void SetPixel(int x, int y, Color c) override {
    Add(Format("SetPixel %d %d %d,%d,%d", x, y, c.red, c.green, c.blue));
  }
  void Line(int x0, int y0, int x1, int y1) override {
    Add(Format("Line %d %d %d %d", x0, y0, x1, y1));
  }
  void SelectDottedPen() override { Add("DottedPen"); }
  void SelectSolidPen() override { Add("SolidPen"); }
  void SelectFont(const FontSpec& f) override {
    Add(Format("Font %d %d %d %d %s", f.height, f.width, f.escapement, f.weight, f.face.c_str()));
  }
  void Text(int x, int y, std::string_view text) override {
    Add(Format("Text %d %d ", x, y) + std::string(text));
  }

  const std::vector<std::string>& operations() const { return operations_; }
  // The operations whose text starts with `prefix`.
  std::vector<std::string> Matching(const std::string& prefix) const {
    std::vector<std::string> found;
    for (const std::string& op : operations_) {
      if (op.rfind(prefix, 0) == 0) found.push_back(op);
    }
    return found;
  }

 private:
  void Add(std::string op) { operations_.push_back(std::move(op)); }
  std::vector<std::string> operations_;
};

}  // namespace tonvale::testing
