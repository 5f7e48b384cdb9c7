#include "figures/raster/figure_png.h"

#include <QBuffer>
#include <QByteArray>
#include <QGuiApplication>

#include <clocale>

#include "app/output_file.h"
#include "figures/raster/raster_canvas.h"

namespace tonvale {

int WriteFigurePng(const FigureLayout& layout, int PlotNum, const std::string& programDirectory,
                   const std::string& pngPath, FigureErrors& errors) {
  RasterCanvas canvas(layout.surfaceWidth, layout.surfaceHeight);
  if (PlotFigure(layout, {PlotNum, 0}, programDirectory, canvas, errors) != 0) return 1;
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  if (!canvas.image().save(&buffer, "PNG")) return 1;
  OutputFile file;
  if (!file.Open(pngPath, OutputFile::Mode::kBinary)) return 1;
  file.Write(std::string_view(bytes.constData(), static_cast<size_t>(bytes.size())));
  return file.Commit() ? 0 : 1;
}

OffscreenGui::OffscreenGui() {
  if (QGuiApplication::instance() != nullptr) return;
  // Figures go to files: never depend on a display, whatever platform the user's session names.
  qputenv("QT_QPA_PLATFORM", "offscreen");
  app_ = std::make_unique<QGuiApplication>(argc_, argv_);
  // The application object takes the user's locale; numbers in the log and the work files must
  // keep a decimal point.
  std::setlocale(LC_NUMERIC, "C");
}

OffscreenGui::~OffscreenGui() = default;

}  // namespace tonvale
