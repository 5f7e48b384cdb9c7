#pragma once

namespace tonvale {

// Which figure a plot area shows and how. PlotNum: 1 is the figure of the peak file, 2 that
// of the lump file, 3 the notes of the note script over the lumps, any other value none.
// DispColor: the display type 0 to 4, each hiding one more of the lower level bands.
struct FigureState {
  int PlotNum = 0;
  int DispColor = 0;
};

}  // namespace tonvale
