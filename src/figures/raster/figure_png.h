#pragma once

#include <memory>
#include <string>

#include "figures/figure_layout.h"
#include "figures/plot_figure.h"

class QGuiApplication;

namespace tonvale {

// Draws the figure of process PlotNum (1 or 2, display type 0) in `layout` from the work
// files of `programDirectory` and writes it as a PNG image at `pngPath`, replacing a previous
// file only once the new one is complete. Returns 0 when the picture was written; 1 when the
// figure could not be drawn (explained through `errors`) or the file could not be written.
int WriteFigurePng(const FigureLayout& layout, int PlotNum, const std::string& programDirectory,
                   const std::string& pngPath, FigureErrors& errors);

// Text needs a QGuiApplication. A program without a window makes one on the offscreen
// platform for as long as this object lives; where one exists already, nothing is done.
class OffscreenGui {
 public:
  OffscreenGui();
  ~OffscreenGui();
  OffscreenGui(const OffscreenGui&) = delete;
  OffscreenGui& operator=(const OffscreenGui&) = delete;

 private:
  int argc_ = 1;
  char name_[8] = "tonvale";
  char* argv_[2] = {name_, nullptr};
  std::unique_ptr<QGuiApplication> app_;
};

}  // namespace tonvale
