#include "figures/plot_figure.h"

#include <algorithm>
#include <cstdint>
#include <numeric>

#include "app/input_stream.h"
#include "app/numbers.h"
#include "extraction/peak_file.h"
#include "extraction/work_file.h"
#include "figures/level_colour.h"
#include "figures/read_plot_token.h"

namespace tonvale {

void LogFigureErrors::ShowError(const std::string& text) {
  log_.ClearLog();
  log_.AppendLog(text);
}

namespace {

// 1 / 5512.5: the start circle is placed on the truncated frequency with this scale.
constexpr double kMarkerHertzScale = 0.00018140589569160998;

// Far outside any surface, yet small enough that a marker's extent cannot overflow.
constexpr int64_t kPixelLimit = int64_t{1} << 28;

int ToPixel(int64_t value) {
  return static_cast<int>(std::clamp(value, -kPixelLimit, kPixelLimit));
}

// Truncation towards zero, held inside the pixel range (a NaN goes far off the surface).
int ToPixel(double value) {
  if (!(value > static_cast<double>(-kPixelLimit))) return static_cast<int>(-kPixelLimit);
  if (value > static_cast<double>(kPixelLimit)) return static_cast<int>(kPixelLimit);
  return static_cast<int>(value);
}

// Rounded a * b / c, for a font height in points.
int MulDiv(int a, int b, int c) {
  int64_t product = int64_t{a} * b;
  int64_t half = c / 2;
  return static_cast<int>(product >= 0 ? (product + half) / c : (product - half) / c);
}

class FigurePainter {
 public:
  FigurePainter(const FigureLayout& layout, const FigureState& state, Canvas& canvas,
                InputStream& in)
      : layout_(layout), state_(state), canvas_(canvas), in_(in) {}

  void Draw() {
    const WorkFileHeader header = ReadWorkFileHeader(in_);
    MaxdB_ = header.MaxdB;
    MindB_ = header.MindB;
    FrameRate_ = header.FrameRate;
    N_ = header.LoopCount;
    DrawBackground();
    ReadPlotToken(in_, token_);  // the line of hyphens under the header
    // Without a frame shift and a frame count there is no time axis to place anything on.
    if (FrameRate_ > 0 && N_ > 0) {
      canvas_.SelectFont(layout_.labelFont);
      if (state_.PlotNum == 1) {
        DrawPeaks();
      } else {
        DrawLumps();
      }
    }
    DrawGrid();
    if (!layout_.frequencyTitleFirst) DrawFrequencyTitle();
  }

 private:
  FontSpec TitleFont(int escapement) const {
    FontSpec font = layout_.titleFont;
    if (layout_.titlePointTenths != 0) {
      font.height = -MulDiv(layout_.titlePointTenths, canvas_.VerticalResolution(), 720);
    }
    font.escapement = escapement;
    return font;
  }

  void DrawFrequencyTitle() {
    canvas_.SelectFont(TitleFont(900));
    canvas_.Text(layout_.frequencyTitle.x, layout_.frequencyTitle.y, "Frequency [kHz]");
  }

  void DrawBackground() {
    canvas_.FillRect(0, 0, canvas_.Width(), canvas_.Height(), kWhite);
    const FigureLayout::Box& frame = layout_.frame;
    canvas_.Rectangle(frame.left, frame.top, frame.right, frame.bottom);
    canvas_.SelectFont(layout_.labelFont);
    static constexpr const char* kKiloHertz[] = {"5", "4", "3", "2", "1"};
    for (size_t i = 0; i < layout_.frequencyLabelY.size(); ++i) {
      canvas_.Text(layout_.frequencyLabelX, layout_.frequencyLabelY[i], kKiloHertz[i]);
    }
    if (layout_.frequencyTitleFirst) DrawFrequencyTitle();
    canvas_.SelectFont(TitleFont(0));
    canvas_.Text(layout_.timeTitle.x, layout_.timeTitle.y, "Time [sec]");
  }

  void DrawGrid() {
    canvas_.SelectDottedPen();
    for (int y : layout_.gridY) canvas_.Line(layout_.gridFrom, y, layout_.gridTo, y);
    canvas_.SelectSolidPen();
  }

  int Row(double frequency) const {
    return ToPixel(layout_.baseline - frequency * layout_.pixelsPerHertz);
  }

  // Column of frame k by the one-pixel rule.
  int Column(int64_t k) const { return ToPixel(layout_.dataLeft + layout_.dataWidth * k / N_); }

  void DrawPoint(int64_t k, double frequency, double level) {
    int u = LevelNumber(level, MaxdB_, MindB_);
    if (!LevelShown(u, state_.DispColor)) return;
    Color colour = LevelColour(u);
    int y = Row(frequency);
    const int64_t W = layout_.dataWidth;
    if (N_ > W) {
      canvas_.SetPixel(Column(k), y, colour);
      return;
    }
    // Few frames: each one is a run of c + 1 pixels that touches or overlaps the next.
    int64_t c = W / N_;
    int x = ToPixel(layout_.dataLeft + (W - c) * k / N_);
    for (int64_t i = 0; i <= c; ++i) canvas_.SetPixel(ToPixel(x + i), y, colour);
  }

  // Ticks stand at every whole step of time; the step grows with the length of the piece.
  int64_t TickStep() const {
    int64_t T = int64_t{FrameRate_} * N_;
    if (T < 30000) return 1000;
    if (T < 60000) return 5000;
    if (T < 180000) return 10000;
    return 50000;
  }

  void DrawTick(int64_t k) {
    int64_t t = int64_t{FrameRate_} * k;
    int x = ToPixel(layout_.tickLeft + layout_.tickWidth * k / N_);
    canvas_.Line(x, layout_.tickFrom, x, layout_.tickTo);
    // Seconds, truncated; 64 bits, since a file may claim far more than 2^31 of them.
    std::string label;
    AppendInteger(label, static_cast<int64_t>(static_cast<double>(t) * 0.001));
    canvas_.Text(ToPixel(int64_t{x} + layout_.timeLabelDx), layout_.timeLabelY, label);
  }

  // Each frame block of the peak file, but the last; the tick of a frame follows its block.
  void DrawPeaks() {
    const int64_t step = TickStep();
    for (int64_t k = 1; k < N_; ++k) {
      if (ReadPlotToken(in_, token_) != 0) return;  // the frame label
      if (ReadPlotToken(in_, token_) != 0) return;
      while (token_ != "end") {
        double frequency = LeadingDecimal(token_);
        if (ReadPlotToken(in_, token_) != 0) return;
        DrawPoint(k, frequency, LeadingDecimal(token_));
        if (ReadPlotToken(in_, token_) != 0) return;
      }
      if (int64_t{FrameRate_} * k % step == 0) DrawTick(k);
    }
  }

  // Each lump from its start frame on, with a circle at its start and a square at its end in
  // display type 0; then the ticks of the whole piece.
  void DrawLumps() {
    while (ReadPlotToken(in_, token_) == 0 && token_ != "end_of_file") {
      const int64_t k0 = ClampToInt32(LeadingInteger(token_)) / FrameRate_;
      if (!DrawLump(k0)) break;
    }
    const int64_t step = TickStep();
    DrawTicks(step / std::gcd(step, int64_t{FrameRate_}));
  }

  // The ticks at every frameStep-th frame. Ticks denser than one a column share their columns:
  // there the line is the same and each label is covered by the next one's (a later time has
  // as many digits or more), so only the last tick of a column is drawn. A lump file that
  // claims billions of frames thus costs one tick per column, not billions.
  void DrawTicks(int64_t frameStep) {
    const int64_t count = (int64_t{N_} - 1) / frameStep;  // ticks j = 1 .. count at j x frameStep
    const int64_t W = layout_.tickWidth;
    for (int64_t j = 1; j <= count; ++j) {
      if (W > 0) {
        // The last tick whose column, tickLeft + W * frameStep * j / N, is this one's.
        const int64_t column = W * frameStep * j / N_;
        j = std::min(count, ((column + 1) * N_ - 1) / (W * frameStep));
      } else {
        j = count;
      }
      DrawTick(frameStep * j);
    }
  }

  // False when the file ended inside the lump.
  bool DrawLump(int64_t k0) {
    if (ReadPlotToken(in_, token_) != 0) return false;
    const double f0 = static_cast<double>(ToPixel(LeadingDecimal(token_)));
    int64_t k = k0;
    double last = 0.0;
    bool complete = true;
    while (token_ != "end") {
      double frequency = LeadingDecimal(token_);
      if (ReadPlotToken(in_, token_) != 0) {
        complete = false;
        break;
      }
      DrawPoint(k, frequency, LeadingDecimal(token_));
      last = frequency;
      ++k;
      if (ReadPlotToken(in_, token_) != 0) {
        complete = false;
        break;
      }
    }
    // An empty lump has no first or last point to mark.
    if (state_.DispColor == 0 && k > k0) {
      const int64_t W = layout_.dataWidth;
      int xs = Column(k0);
      int ys = ToPixel(layout_.baseline - (f0 * layout_.markerScale) * kMarkerHertzScale);
      canvas_.Ellipse(xs - 4, ys - 2, xs, ys + 2);
      int xe = ToPixel(layout_.dataLeft + (W * k - W) / N_);
      int ye = Row(last);
      canvas_.Rectangle(xe, ye - 2, xe + 4, ye + 2);
    }
    return complete;
  }

  const FigureLayout& layout_;
  const FigureState& state_;
  Canvas& canvas_;
  InputStream& in_;
  std::string token_;
  double MaxdB_ = 0.0;
  double MindB_ = 0.0;
  int FrameRate_ = 0;
  int N_ = 0;
};

}  // namespace

int PlotFigure(const FigureLayout& layout, const FigureState& state,
               const std::string& programDirectory, Canvas& canvas, FigureErrors& errors) {
  const bool inBox = layout.errors == FigureLayout::Errors::kMessageBox;
  if (state.PlotNum != 1 && state.PlotNum != 2) {
    if (inBox) {
      errors.ShowError(Format("err: 図を作成できません PlotNum=%d, DispColor=%d", state.PlotNum,
                              state.DispColor));
    }
    return 1;
  }
  canvas.Begin();
  const char* name = state.PlotNum == 1 ? kPeakFileName : kLumpFileName;
  const std::string path = programDirectory + name;
  InputStream in = InputStream::OpenFile(path);
  if (!in.IsOpen()) {
    if (inBox) {
      errors.ShowError("オープンエラー: " + path);
    } else {
      // The name in the second message is the one users have always seen.
      errors.ShowError(state.PlotNum == 1 ? "% err: cannot open file > PeakExtraction.txt．"
                                          : "% err: cannot open file > PeakComnination.txt．");
    }
    canvas.End();
    return 1;
  }
  FigurePainter(layout, state, canvas, in).Draw();
  canvas.End();
  // A figure drawn from a file that could not be read to its end would look complete.
  if (in.Failed()) {
    errors.ShowError(inBox ? "読み込みエラー: " + path + "\n(" + in.Error() + ")"
                           : "% " + CannotReadLine(name, in.Error()));
    return 1;
  }
  return 0;
}

}  // namespace tonvale
