#pragma once

#include "figures/raster/raster_canvas.h"
#include "gui/plot_surface.h"

namespace tonvale {

// A figure drawn into a plot frame's kept picture; the frame shows it when the figure ends.
class PlotSurfaceCanvas : public RasterCanvas {
 public:
  explicit PlotSurfaceCanvas(PlotSurface& surface)
      : RasterCanvas(surface.Picture()), surface_(surface) {}
  void End() override { surface_.PictureChanged(); }

 private:
  PlotSurface& surface_;
};

}  // namespace tonvale
