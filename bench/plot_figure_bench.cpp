// Drawing a figure reads its whole work file: a 3-minute recording gives 18,000 frame records
// of up to a few hundred peaks, and every peak becomes a pixel or a short run of pixels.
#include <benchmark/benchmark.h>

#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include "figures/plot_figure.h"
#include "synthetic_peak_file.h"

namespace tonvale {
namespace {

// A surface that only counts what it is asked to draw.
class CountingCanvas : public Canvas {
 public:
  int Width() const override { return 563; }
  int Height() const override { return 280; }
  int VerticalResolution() const override { return 96; }
  void FillRect(int, int, int, int, Color) override {}
  void Rectangle(int, int, int, int) override {}
  void Ellipse(int, int, int, int) override {}
  void SetPixel(int x, int y, Color) override { checksum += x + y; }
  void Line(int, int, int, int) override {}
  void SelectDottedPen() override {}
  void SelectSolidPen() override {}
  void SelectFont(const FontSpec&) override {}
  void Text(int, int, std::string_view) override {}
  int64_t checksum = 0;
};

class Quiet : public FigureErrors {
 public:
  void ShowError(const std::string&) override {}
};

void BM_PlotPeakFigure(benchmark::State& state) {
  const int frames = 18000;
  const int peaks = static_cast<int>(state.range(0));
  const std::string text = SyntheticPeakFile(frames, peaks);
  const std::filesystem::path dir =
      std::filesystem::temp_directory_path() / ("tonvale_bench_" + std::to_string(getpid()));
  std::filesystem::create_directories(dir);
  if (std::FILE* file = std::fopen((dir / "PeakExtraction.txt").c_str(), "wb")) {
    std::fwrite(text.data(), 1, text.size(), file);
    std::fclose(file);
  }
  CountingCanvas canvas;
  Quiet quiet;
  for (auto _ : state) {
    benchmark::DoNotOptimize(
        PlotFigure(MainFigureLayout(), {1, 0}, dir.string() + "/", canvas, quiet));
  }
  benchmark::DoNotOptimize(canvas.checksum);
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) *
                          static_cast<int64_t>(text.size()));
  std::filesystem::remove_all(dir);
}
BENCHMARK(BM_PlotPeakFigure)->Arg(20)->Arg(200)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace tonvale
