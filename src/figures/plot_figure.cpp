#include "figures/plot_figure.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <numeric>
#include <optional>
#include <vector>

#include "app/input_stream.h"
#include "app/numbers.h"
#include "app/output_file.h"
#include "extraction/peak_file.h"
#include "extraction/work_file.h"
#include "figures/level_colour.h"
#include "figures/read_plot_token.h"
#include "recognition/note_script_reader.h"

namespace tonvale {

void LogFigureErrors::ShowError(const std::string& text) {
  log_.ClearLog();
  log_.AppendLog(text);
}

namespace {

// 1 / 5512.5: the start circle is placed on the truncated frequency with this scale.
constexpr double kMarkerHertzScale = 0.00018140589569160998;

// The notes figure spans at least two octaves; without notes, c-2 to c-5.
constexpr int kSemitonesPerOctave = 12;
constexpr int kLeastNoteSpan = 2 * kSemitonesPerOctave;
constexpr int kNoNotesLow = 48;
constexpr int kNoNotesHigh = 84;

// The lumps under the notes keep their level colours, faded to this share towards white.
constexpr int kTrackShadeTenths = 3;

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

// What the notes figure draws over the lumps: the notes, and the whole octaves they lie in.
struct NotesAxis {
  std::vector<ScriptNote> notes;
  int low = kNoNotesLow;    // MIDI note at the frame's inner bottom edge, a C
  int high = kNoNotesHigh;  // MIDI note at its inner top edge, a C

  explicit NotesAxis(std::vector<ScriptNote> scriptNotes) : notes(std::move(scriptNotes)) {
    if (notes.empty()) return;
    auto [lowest, highest] = std::minmax_element(
        notes.begin(), notes.end(),
        [](const ScriptNote& a, const ScriptNote& b) { return a.noteNumber < b.noteNumber; });
    low = lowest->noteNumber / kSemitonesPerOctave * kSemitonesPerOctave;
    high = (highest->noteNumber / kSemitonesPerOctave + 1) * kSemitonesPerOctave;
    high = std::max(high, low + kLeastNoteSpan);
  }
};

class FigurePainter {
 public:
  FigurePainter(const FigureLayout& layout, const FigureState& state, Canvas& canvas,
                InputStream& in, const WorkFileHeader& header, const NotesAxis* notes)
      : layout_(layout), state_(state), canvas_(canvas), in_(in), notes_(notes) {
    MaxdB_ = header.MaxdB;
    MindB_ = header.MindB;
    FrameRate_ = header.FrameRate;
    N_ = header.LoopCount;
  }

  void Draw() {
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
    canvas_.Text(layout_.frequencyTitle.x, layout_.frequencyTitle.y,
                 notes_ != nullptr ? "Note" : "Frequency [kHz]");
  }

  void DrawBackground() {
    canvas_.FillRect(0, 0, canvas_.Width(), canvas_.Height(), kWhite);
    const FigureLayout::Box& frame = layout_.frame;
    canvas_.Rectangle(frame.left, frame.top, frame.right, frame.bottom);
    canvas_.SelectFont(layout_.labelFont);
    if (notes_ != nullptr) {
      DrawOctaveLabels();
    } else {
      static constexpr const char* kKiloHertz[] = {"5", "4", "3", "2", "1"};
      for (size_t i = 0; i < layout_.frequencyLabelY.size(); ++i) {
        canvas_.Text(layout_.frequencyLabelX, layout_.frequencyLabelY[i], kKiloHertz[i]);
      }
    }
    if (layout_.frequencyTitleFirst) DrawFrequencyTitle();
    canvas_.SelectFont(TitleFont(0));
    canvas_.Text(layout_.timeTitle.x, layout_.timeTitle.y, "Time [sec]");
  }

  void DrawGrid() {
    canvas_.SelectDottedPen();
    if (notes_ != nullptr) {
      // Under each C inside the frame.
      for (int c = notes_->low + kSemitonesPerOctave; c < notes_->high; c += kSemitonesPerOctave) {
        const int y = NoteRow(c - notes_->low);
        canvas_.Line(layout_.gridFrom, y, layout_.gridTo, y);
      }
    } else {
      for (int y : layout_.gridY) canvas_.Line(layout_.gridFrom, y, layout_.gridTo, y);
    }
    canvas_.SelectSolidPen();
  }

  int Row(double frequency) const {
    return ToPixel(layout_.baseline - frequency * layout_.pixelsPerHertz);
  }

  // The notes figure: the inside of the frame, bottom to top, holds the notes low to high,
  // each note a band of rows; `semitones` above the low C is the bottom edge of its band.
  int InnerTop() const { return layout_.frame.top + 1; }
  int InnerBottom() const { return layout_.frame.bottom - 1; }  // the first row below the inside
  int NoteRow(double semitones) const {
    const double rowsPerSemitone =
        static_cast<double>(InnerBottom() - InnerTop()) / (notes_->high - notes_->low);
    return ToPixel(std::floor(InnerBottom() - semitones * rowsPerSemitone));
  }

  // "c-2", "c-3" ... as the note script names them, centred on the band of each C.
  void DrawOctaveLabels() {
    const int raise = layout_.frequencyLabelY[0] - layout_.gridY[0];
    for (int c = notes_->low; c < notes_->high; c += kSemitonesPerOctave) {
      const int octave = c / kSemitonesPerOctave - 2;
      const int y = NoteRow(c - notes_->low + 0.5) + raise;
      canvas_.Text(layout_.noteLabelX, y, "c-" + std::to_string(octave));
    }
  }

  // Column of a time in milliseconds: frame k of the lump file lies at k x FrameRate.
  int TimeColumn(int64_t milliseconds) const {
    const int64_t T = int64_t{FrameRate_} * N_;
    const double x = layout_.dataLeft + static_cast<double>(layout_.dataWidth) *
                                            static_cast<double>(milliseconds) /
                                            static_cast<double>(T);
    return ToPixel(x);
  }

  // Each note a bar in the colour of its velocity, from its start to its end, with a dark
  // left edge so that repeated notes stay apart; clipped to the inside of the frame.
  void DrawNoteBars() {
    const int right = layout_.frame.right - 1;
    for (const ScriptNote& note : notes_->notes) {
      const int semitones = note.noteNumber - notes_->low;
      const int top = std::max(NoteRow(semitones + 1), InnerTop());
      const int bottom = std::min(NoteRow(semitones), InnerBottom());
      const int x0 = std::max(TimeColumn(note.start), layout_.frame.left + 1);
      const int x1 = std::min(std::max(TimeColumn(note.end), x0 + 1), right);
      if (x0 >= x1 || top >= bottom) continue;
      canvas_.FillRect(x0, top, x1, bottom, LevelColour(note.velocity * 1023 / 127));
      if (x1 - x0 >= 3) {
        for (int y = top; y < bottom; ++y) canvas_.SetPixel(x0, y, kBlack);
      }
    }
  }

  static Color Faded(Color colour) {
    auto fade = [](uint8_t c) {
      return static_cast<uint8_t>(255 - (255 - c) * kTrackShadeTenths / 10);
    };
    return {fade(colour.red), fade(colour.green), fade(colour.blue)};
  }

  // Column of frame k by the one-pixel rule.
  int Column(int64_t k) const { return ToPixel(layout_.dataLeft + layout_.dataWidth * k / N_); }

  void DrawPoint(int64_t k, double frequency, double level) {
    int u = LevelNumber(level, MaxdB_, MindB_);
    if (!LevelShown(u, state_.DispColor)) return;
    Color colour = LevelColour(u);
    int y = Row(frequency);
    if (notes_ != nullptr) {
      // On the note axis, faded, and only inside the frame (the notes' range cuts lumps off).
      if (!(frequency > 0.0)) return;
      const double note = 69.0 + 12.0 * std::log2(frequency / 440.0);
      y = NoteRow(note + 0.5 - notes_->low);
      if (y < InnerTop() || y >= InnerBottom()) return;
      colour = Faded(colour);
    }
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
  // display type 0 (the notes figure draws its bars instead); then the ticks of the whole
  // piece.
  void DrawLumps() {
    while (ReadPlotToken(in_, token_) == 0 && token_ != "end_of_file") {
      const int64_t k0 = ClampToInt32(LeadingInteger(token_)) / FrameRate_;
      if (!DrawLump(k0)) break;
    }
    if (notes_ != nullptr) DrawNoteBars();
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
    if (state_.DispColor == 0 && k > k0 && notes_ == nullptr) {
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
  const NotesAxis* notes_;  // null but in the notes figure
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
  if (state.PlotNum < 1 || state.PlotNum > 3) {
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
  const WorkFileHeader header = ReadWorkFileHeader(in);
  // The notes figure reads the note script beside the WAVE file the lumps came from.
  std::optional<NotesAxis> notes;
  if (state.PlotNum == 3) {
    const std::string scriptPath = header.signalName + ".txt";
    std::string script;
    ReadFailure failure;
    if (header.signalName.empty() || !ReadFileBytes(scriptPath, script, &failure)) {
      if (failure.opened) {
        errors.ShowError(inBox ? "読み込みエラー: " + scriptPath + "\n(" + failure.reason + ")"
                               : "% " + CannotReadLine(scriptPath, failure.reason));
      } else {
        errors.ShowError(inBox ? "オープンエラー: " + scriptPath
                               : "% err: cannot open file > " + scriptPath + "．");
      }
      canvas.End();
      return 1;
    }
    notes.emplace(ReadScriptNotes(script));
  }
  FigurePainter(layout, state, canvas, in, header, notes ? &*notes : nullptr).Draw();
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
