#pragma once

#include <string>

#include "app/figure_state.h"
#include "app/message_log.h"
#include "figures/canvas.h"
#include "figures/figure_layout.h"

namespace tonvale {

// Where a figure that cannot be drawn is explained. The main figure replaces the message log
// with one line; the enlarged figure shows a message box and waits for the user.
class FigureErrors {
 public:
  virtual ~FigureErrors() = default;
  virtual void ShowError(const std::string& text) = 0;
};

class LogFigureErrors final : public FigureErrors {
 public:
  explicit LogFigureErrors(MessageLog& log) : log_(log) {}
  void ShowError(const std::string& text) override;

 private:
  MessageLog& log_;
};

// Draws the figure that `state` names from its work file in `programDirectory`: the peaks of
// the peak file (PlotNum 1) or the lumps of the lump file (PlotNum 2), coloured by level and
// filtered by the display type, over the frame, labels, time ticks and dotted grid of
// `layout`. PlotNum 3 draws the notes of the note script beside the analysed WAVE file (named
// in the lump file) as bars on a scale of MIDI notes in whole octaves, coloured by velocity,
// over the lumps faded to light colours. The whole surface is drawn anew. Returns 0 when the
// figure was drawn, 1 when a file could not be read or PlotNum names no figure; the surface
// then keeps its picture.
int PlotFigure(const FigureLayout& layout, const FigureState& state,
               const std::string& programDirectory, Canvas& canvas, FigureErrors& errors);

}  // namespace tonvale
