#include "pipeline/figure_commands.h"

#include "app/numbers.h"

namespace tonvale {
namespace {

constexpr char kProcess1Line[] = "Figure is Process 1 \"Extracting peak frequencies.\"";
constexpr char kProcess2Line[] = "Figure is Process 2 \"Combining peak frequencies.\"";
constexpr char kProcess3Line[] = "Figure is Process 3 \"Recognizing musical notes.\"";

void AppendDisplayType(MessageLog& log, const FigureState& state) {
  log.AppendLog(Format("Display type %d", state.DispColor));
}

// Left out when no figure is chosen.
void AppendFigureLine(MessageLog& log, const FigureState& state) {
  if (state.PlotNum == 1) log.AppendLog(kProcess1Line);
  if (state.PlotNum == 2) log.AppendLog(kProcess2Line);
  if (state.PlotNum == 3) log.AppendLog(kProcess3Line);
}

int NextDisplayType(int DispColor) {
  return DispColor == 4 ? 0 : DispColor + 1;
}

void WriteEnlargedLines(const char* heading, const FigureState& state, MessageLog& list) {
  list.ClearLog();
  list.AppendLog(heading);
  AppendDisplayType(list, state);
  AppendFigureLine(list, state);
}

}  // namespace

int PlotMainFigure(Session& session, int PlotNum, Canvas& canvas) {
  session.mainFigure.PlotNum = PlotNum;
  LogFigureErrors errors(session.log);
  return PlotFigure(MainFigureLayout(), session.mainFigure, session.programDirectory, canvas,
                    errors);
}

int PlotEnlargedFigure(Session& session, Canvas& canvas, FigureErrors& errors) {
  return PlotFigure(EnlargedFigureLayout(), session.enlargedFigure, session.programDirectory,
                    canvas, errors);
}

int ShowProcess1Figure(Session& session, MainFigureView& view) {
  if (view.PlotProcess1() != 0) return 1;
  MessageLog& log = session.log;
  log.ClearLog();
  log.AppendLog("% プロセス 1 を表示しました．");
  AppendDisplayType(log, session.mainFigure);
  log.AppendLog(kProcess1Line);
  log.AppendLog("");
  log.AppendLog("「説明」");
  log.AppendLog("フーリエ変換を用いてパワースペクトルのピーク抽出を行ったの");
  log.AppendLog("ちに，提案法により過渡部のピーク周波数を推定した．上図はそ");
  log.AppendLog("の推定したピーク周波数を表す．");
  return 0;
}

int ShowProcess2Figure(Session& session, MainFigureView& view) {
  if (view.PlotProcess2() != 0) return 1;
  MessageLog& log = session.log;
  log.ClearLog();
  log.AppendLog("% プロセス 2 を表示しました．");
  AppendDisplayType(log, session.mainFigure);
  log.AppendLog(kProcess2Line);
  log.AppendLog("");
  log.AppendLog("「説明」");
  log.AppendLog("プロセス 1 で抽出したピーク周波数を提案法を用いてクラスタ");
  log.AppendLog("リングし，音楽音を示すと予測したピークを始端から終端まで接");
  log.AppendLog("続した．上図はその推定したピーク周波数を表す．丸い印は始");
  log.AppendLog("点，四角い印は終端を示す．");
  return 0;
}

void ChangeMainDisplayType(Session& session, MainFigureView& view) {
  FigureState& state = session.mainFigure;
  state.DispColor = NextDisplayType(state.DispColor);
  MessageLog& log = session.log;
  log.ClearLog();
  log.AppendLog("% 図の表示形式を変更しました．");
  AppendDisplayType(log, state);
  AppendFigureLine(log, state);
  if (state.PlotNum == 1) view.PlotProcess1();
  if (state.PlotNum == 2) view.PlotProcess2();
  if (state.PlotNum == 3) view.PlotProcess3();
}

void ResetEnlargedFigure(Session& session) {
  session.enlargedFigure.PlotNum = 1;
  session.enlargedFigure.DispColor = 0;
}

void ShowEnlargedHelp(MessageLog& list) {
  list.ClearLog();
  list.AppendLog("% 解析結果を拡大してプロットをします．");
  list.AppendLog("");
  list.AppendLog("「各ボタンの説明」");
  list.AppendLog("・\"re-draw\" 各プロセスの結果を描画または再描画．");
  list.AppendLog("・\"cmod\" 図の表示形式を変更してプロット．");
  list.AppendLog("・\"chpros\" 図示するプロセスの変更．");
}

void RedrawEnlargedFigure(Session& session, EnlargedFigureView& view, MessageLog& list) {
  view.PlotEnlarged();
  WriteEnlargedLines("% 再描画しました．", session.enlargedFigure, list);
}

void ChangeEnlargedDisplayType(Session& session, EnlargedFigureView& view, MessageLog& list) {
  FigureState& state = session.enlargedFigure;
  state.DispColor = NextDisplayType(state.DispColor);
  view.PlotEnlarged();
  WriteEnlargedLines("% 図の表示形式を変更しました．", state, list);
}

void ChangeEnlargedProcess(Session& session, EnlargedFigureView& view, MessageLog& list) {
  FigureState& state = session.enlargedFigure;
  state.PlotNum = state.PlotNum >= 3 ? 1 : state.PlotNum + 1;
  view.PlotEnlarged();
  WriteEnlargedLines("% 表示するプロセスを変更しました．", state, list);
}

}  // namespace tonvale
