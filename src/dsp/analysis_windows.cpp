#include "dsp/analysis_windows.h"

#include <algorithm>
#include <cmath>

#include "dsp/double_array.h"

namespace tonvale {
namespace {

constexpr double kTwoPi = 6.283185307179586;

double BlackmanFactor(int i, int M) {
  const double theta = kTwoPi * (i - 1) / (M - 1);
  return 0.42 - 0.5 * std::cos(theta) + 0.08 * std::cos(2.0 * theta);
}
double HanningFactor(int i, int M) {
  return 0.5 - 0.5 * std::cos(kTwoPi * (i - 1) / (M - 1));
}
double HammingFactor(int i, int M) {
  return 0.54 - 0.46 * std::cos(kTwoPi * (i - 1) / (M - 1));
}

// The frame length limited to the array, so that a frame longer than its array is not overrun.
int Inside(std::span<double> w, int M) {
  return static_cast<int>(std::clamp<long long>(M, 0, static_cast<long long>(w.size())));
}

double ZeroTail(std::span<double> w, int M) {
  for (size_t i = static_cast<size_t>(std::max(M, -1) + 1); i < w.size(); ++i) w[i] = 0.0;
  return w.empty() ? 0.0 : w[0];
}

template <typename Factor>
double CosineWindow(std::span<double> w, int M, Factor factor) {
  const int m = Inside(w, M);
  for (int i = 0; i < m; ++i) w[static_cast<size_t>(i)] *= factor(i, M);
  return ZeroTail(w, M);
}

}  // namespace

double BlackmanWindow(std::span<double> w, int M) {
  return CosineWindow(w, M, BlackmanFactor);
}
double HanningWindow(std::span<double> w, int M) {
  return CosineWindow(w, M, HanningFactor);
}
double HammingWindow(std::span<double> w, int M) {
  return CosineWindow(w, M, HammingFactor);
}
double RectangularWindow(std::span<double> w, int M) {
  return ZeroTail(w, M);
}

double TriangularWindow(std::span<double> w, int M) {
  const int c = M - 1;
  const int h = c / 2;
  const int m = Inside(w, M);
  for (int i = 0; i <= h && i < m; ++i) w[static_cast<size_t>(i)] *= 2.0 * i / c;
  for (int i = std::max(h, 0); i <= c && i < m; ++i) w[static_cast<size_t>(i)] *= 2.0 - 2.0 * i / c;
  return ZeroTail(w, M);
}

bool AnalysisWindow::IsKnownName(std::string_view name) {
  return name == "ブラックマン窓" || name == "ハニング窓" || name == "ハミング窓" ||
         name == "方形窓" || name == "三角窓" || name == "なし";
}

bool AnalysisWindow::Select(std::string_view name, int M) {
  factors_.clear();
  twiceScaled_ = -1;
  secondFactor_ = 1.0;
  if (name == "なし") return true;
  double (*cosine)(int, int) = nullptr;
  if (name == "ブラックマン窓") {
    cosine = BlackmanFactor;
  } else if (name == "ハニング窓") {
    cosine = HanningFactor;
  } else if (name == "ハミング窓") {
    cosine = HammingFactor;
  } else if (name == "方形窓") {
    return true;  // the samples stay as they are
  } else if (name != "三角窓") {
    return false;
  }
  if (!TryAssign(factors_, static_cast<size_t>(std::max(M, 0)), 1.0)) return false;
  if (cosine != nullptr) {
    for (int i = 0; i < M; ++i) factors_[static_cast<size_t>(i)] = cosine(i, M);
  } else {
    const int c = M - 1;
    const int h = c / 2;
    for (int i = 0; i <= h && i < M; ++i) factors_[static_cast<size_t>(i)] = 2.0 * i / c;
    for (int i = std::max(h + 1, 0); i <= c && i < M; ++i) {
      factors_[static_cast<size_t>(i)] = 2.0 - 2.0 * i / c;
    }
    if (h >= 0 && h < M) {
      twiceScaled_ = h;
      secondFactor_ = 2.0 - 2.0 * h / c;
    }
  }
  return true;
}

void AnalysisWindow::Apply(std::span<double> frame) const {
  const size_t m = std::min(factors_.size(), frame.size());
  for (size_t i = 0; i < m; ++i) frame[i] *= factors_[i];
  if (twiceScaled_ >= 0 && static_cast<size_t>(twiceScaled_) < frame.size()) {
    frame[static_cast<size_t>(twiceScaled_)] *= secondFactor_;
  }
}

}  // namespace tonvale
