#pragma once

#include <array>

#include "figures/canvas.h"

namespace tonvale {

// The geometry of one figure surface, in pixels from its top-left corner. The frequency axis
// runs from 0 Hz at the frame's bottom edge to 5512.5 Hz, half the analysis rate, at its top
// edge; frame k of N lies at dataLeft + dataWidth * k / N. The notes figure puts whole octaves
// of MIDI notes between the inside edges of the same frame.
struct FigureLayout {
  struct Point {
    int x = 0;
    int y = 0;
  };
  struct Box {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
  };
  enum class Errors {
    kMessageLog,  // a failed figure replaces the message log with one line
    kMessageBox,  // a failed figure is told in a message box
  };

  // Size of the surface the layout was made for (the plot control's client area).
  int surfaceWidth = 0;
  int surfaceHeight = 0;

  Box frame;                    // the plot frame's outline
  int dataLeft = 0;             // x0: column of time 0
  int dataWidth = 0;            // W
  int baseline = 0;             // y0: row of 0 Hz
  double pixelsPerHertz = 0.0;  // S
  int markerScale = 0;          // H: the start circle's row is baseline - f0 * H / 5512.5

  int tickLeft = 0;   // xt
  int tickWidth = 0;  // Wt
  int tickFrom = 0;   // a tick runs from this row towards tickTo, which it does not reach
  int tickTo = 0;
  int timeLabelDx = 0;  // a time label stands at (tick x + timeLabelDx, timeLabelY)
  int timeLabelY = 0;

  int frequencyLabelX = 0;
  std::array<int, 5> frequencyLabelY{};  // rows of "5", "4", "3", "2", "1"
  // The notes figure names its octaves ("c-3") from this column; a label stands as far above
  // its row as the "1" above the 1 kHz line.
  int noteLabelX = 0;
  std::array<int, 5> gridY{};  // dotted lines at 5, 4, 3, 2 and 1 kHz
  int gridFrom = 0;            // the grid lines run from this column to gridTo, not drawn
  int gridTo = 0;

  Point timeTitle;       // "Time [sec]"
  Point frequencyTitle;  // "Frequency [kHz]", read from bottom to top from this point

  FontSpec labelFont;
  FontSpec titleFont;
  // When not 0, the title font's height is this size in tenths of a point, converted with the
  // surface's vertical resolution; otherwise titleFont.height holds.
  int titlePointTenths = 0;
  // The enlarged figure draws the rotated title with the other title; the main figure draws
  // it last, over the grid.
  bool frequencyTitleFirst = false;

  Errors errors = Errors::kMessageLog;
};

// The figure in the main window's plot frame.
const FigureLayout& MainFigureLayout();
// The figure in the enlarged figure window.
const FigureLayout& EnlargedFigureLayout();

}  // namespace tonvale
