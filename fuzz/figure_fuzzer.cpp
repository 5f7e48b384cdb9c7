// The figures on arbitrary work files: the figure token reader on the bytes, then PlotFigure
// for both figures (the bytes as the peak file and as the lump file), in both layouts and in
// the display type the input's length picks, on a raster canvas.
#include <QGuiApplication>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>
#include <string_view>

#include "app/figure_state.h"
#include "app/input_stream.h"
#include "app/message_log.h"
#include "figures/figure_layout.h"
#include "figures/plot_figure.h"
#include "figures/raster/raster_canvas.h"
#include "figures/read_plot_token.h"
#include "support/scratch_folder.h"

namespace {

using namespace tonvale;

// Text needs the font machinery of a QGuiApplication, made once on the offscreen platform.
void EnsureApplication() {
  static std::unique_ptr<QGuiApplication> app = [] {
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    static int argc = 1;
    static char name[] = "figure_fuzzer";
    static char* argv[] = {name, nullptr};
    return std::make_unique<QGuiApplication>(argc, argv);
  }();
}

class CollectErrors : public FigureErrors {
 public:
  void ShowError(const std::string& text) override { last = text; }
  std::string last;
};

void CheckTokens(std::string_view bytes) {
  InputStream in(bytes);
  std::string token;
  size_t tokens = 0;
  while (ReadPlotToken(in, token) == 0) {
    if (token.empty() || token.size() > kMaxPlotTokenBytes) std::abort();
    for (char c : token) {
      if (IsTokenSpace(static_cast<unsigned char>(c))) std::abort();
    }
    if (++tokens > bytes.size()) std::abort();  // every token consumes at least one byte
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  EnsureApplication();
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  CheckTokens(bytes);

  const std::string& folder = fuzz::ScratchFolder("figure");
  fuzz::WriteBytes(folder + "PeakExtraction.txt", bytes);
  fuzz::WriteBytes(folder + "PeakCombination.txt", bytes);
  FigureState state;
  state.DispColor = static_cast<int>(size % 5);
  for (const FigureLayout* layout : {&MainFigureLayout(), &EnlargedFigureLayout()}) {
    for (int plot : {1, 2}) {
      state.PlotNum = plot;
      RasterCanvas canvas(layout->surfaceWidth, layout->surfaceHeight);
      CollectErrors errors;
      if (PlotFigure(*layout, state, folder, canvas, errors) != 0) std::abort();
      if (!errors.last.empty()) std::abort();
    }
  }
  return 0;
}
