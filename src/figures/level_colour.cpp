#include "figures/level_colour.h"

#include <algorithm>

namespace tonvale {

int LevelNumber(double level, double MaxdB, double MindB) {
  constexpr int kTop = 1023;
  double range = MaxdB - MindB;
  if (range == 0.0) return kTop;
  double scale = 1024.0 / (range * 10.0);
  double v = (level - MindB) * scale;
  double u = v * 10.0;
  if (!(u > 0.0)) return 0;  // also a NaN
  if (u >= kTop) return kTop;
  return static_cast<int>(u);
}

Color LevelColour(int levelNumber) {
  int u = std::clamp(levelNumber, 0, 1023);
  auto c = [](int value) { return static_cast<uint8_t>(value); };
  if (u < 256) return {0, c(u), 255};
  if (u < 512) return {0, 255, c(511 - u)};
  if (u < 768) return {c(u - 512), 255, 0};
  return {255, c(1023 - u), 0};
}

bool LevelShown(int levelNumber, int DispColor) {
  int lowestBand = std::max(DispColor - 1, 0);
  return levelNumber / 256 >= lowestBand;
}

}  // namespace tonvale
