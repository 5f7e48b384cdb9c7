#pragma once

#include "figures/canvas.h"

namespace tonvale {

// A point's level number: its level in dB placed on a scale of 0 at MindB to 1024 at MaxdB,
// truncated and held to 0 ... 1023, so that levels outside the file's range take the colour of
// the nearest end. A file whose two levels are equal puts every point at the top, 1023.
int LevelNumber(double level, double MaxdB, double MindB);

// Blue to cyan, cyan to green, green to yellow, yellow to red across the four bands of 256.
Color LevelColour(int levelNumber);

// Display type 0 and 1 show all four bands; 2, 3 and 4 hide one more of the lower bands each.
bool LevelShown(int levelNumber, int DispColor);

}  // namespace tonvale
