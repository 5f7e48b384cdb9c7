#pragma once

#include <span>
#include <string_view>
#include <vector>

namespace tonvale {

// The analysis windows. Each multiplies w[0 .. M-1] in place, sets w[M+1 .. V-1] to 0 (V being
// w.size(); element M itself is left alone) and returns w[0]. The cosine windows take element i
// at the angle 2 pi (i - 1) / (M - 1), so element 0 lies one step before the window's start and
// the peak falls on element (M + 1) / 2.
double BlackmanWindow(std::span<double> w, int M);
double HanningWindow(std::span<double> w, int M);
double HammingWindow(std::span<double> w, int M);
double RectangularWindow(std::span<double> w, int M);
// With c = M - 1 and h = c / 2: elements 0 .. h times 2i/c, then elements h .. c times 2 - 2i/c;
// element h gets both factors.
double TriangularWindow(std::span<double> w, int M);

// One of the windows above (or none), chosen by its name in the settings and worked out once for
// a frame length, so that each frame costs a multiplication per sample. Apply() gives the very
// values the routine would give.
class AnalysisWindow {
 public:
  // The settings' names: "ブラックマン窓", "ハニング窓", "ハミング窓", "方形窓", "三角窓" and
  // "なし" (no window).
  static bool IsKnownName(std::string_view name);

  // False for an unknown name or when memory runs out.
  bool Select(std::string_view name, int M);

  // Multiplies frame[0 .. M-1]; the elements past M are left alone.
  void Apply(std::span<double> frame) const;

 private:
  std::vector<double> factors_;  // empty when the samples stay as they are
  int twiceScaled_ = -1;         // the element that takes a second factor, or -1
  double secondFactor_ = 1.0;
};

}  // namespace tonvale
