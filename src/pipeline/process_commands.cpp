#include "pipeline/process_commands.h"

#include <string>
#include <string_view>

#include "app/input_stream.h"
#include "app/numbers.h"
#include "app/output_file.h"
#include "app/settings_file.h"
#include "extraction/peak_extraction.h"
#include "extraction/peak_file.h"
#include "extraction/recording_formats.h"
#include "extraction/refined_extraction.h"
#include "extraction/work_file.h"
#include "recognition/midi_writer.h"
#include "recognition/peak_combination.h"
#include "recognition/pitch_recognition.h"
#include "recognition/refined_combination.h"
#include "recognition/refined_recognition.h"

namespace tonvale {
namespace {

bool Refined(const Session& session) {
  return session.method == TranscriptionMethod::kRefined;
}

// Loads the settings, then starts the command's story in a cleared log. The refined method
// says so under the heading; the faithful method's story stays as it always was.
bool Begin(Session& session, int process, std::string_view description) {
  if (LoadSettings(session) != 0) return false;
  session.log.ClearLog();
  session.log.AppendLog(Format("%% プロセス %d", process));
  session.log.AppendLog(description);
  if (Refined(session)) session.log.AppendLog(kRefinedMethodLine);
  session.progress.BeginProcess(process);
  return true;
}

int Fail(Session& session, std::string_view message) {
  session.log.AppendLog(message);
  return 1;
}

// A stage that stopped: cancelled by the user, or failed with its own error line before this.
int StageFailed(Session& session, std::string_view message) {
  return Fail(session, session.progress.Cancelled() ? kCancelledLine : message);
}

// The WAVE path that process 2 copied into the lump file; empty without one. False, after the
// read error's line, when the header could not be read: a path cut short would name the wrong
// note script and MIDI file.
bool AnalysedWavePath(Session& session, std::string& wave) {
  wave.clear();
  InputStream in = InputStream::OpenFile(session.WorkPath(kLumpFileName));
  if (!in.IsOpen()) return true;
  wave = ReadWorkFileHeader(in).signalName;
  if (!in.Failed()) return true;
  session.log.AppendLog(CannotReadLine(kLumpFileName, in.Error()));
  return false;
}

}  // namespace

int RunProcess1(Session& session, ProcessHost& host) {
  const std::string path = host.TakePathField();
  if (!Begin(session, 1, "wave ファイルからスペクトルピークを抽出します．")) return 1;
  // An open playback device stands as the proof that a file has been selected.
  const bool stopped = host.StopPlayback();
  if (!stopped || path.size() < 4) {
    return Fail(session, "err: 解析する wave ファイルが見当たりません．");
  }
  if (!IsRecordingName(path)) {
    return Fail(session, "err: 指定したファイルが wave ではありません．");
  }
  const int result =
      Refined(session) ? RefinedPeakExtraction(session, path) : PeakExtraction(session, path);
  if (result != 0) {
    return StageFailed(session, "err: PeakExtraction が異常終了しました．");
  }
  host.PlotProcess1();
  return 0;
}

int RunProcess2(Session& session, ProcessHost& host) {
  if (!Begin(session, 2, "プロセス 1 で抽出したピーク周波数をクラスタリングします．")) {
    return 1;
  }
  if (!IsReadableFile(session.WorkPath(kPeakFileName))) {
    return Fail(session, "err: PeakExtraction.txt がありません．");
  }
  if ((Refined(session) ? RefinedPeakCombination(session) : PeakCombination(session)) != 0) {
    return StageFailed(session, "err: PeakCombination が異常終了しました．");
  }
  host.PlotProcess2();
  return 0;
}

int RunProcess3(Session& session, ProcessHost& host) {
  if (!Begin(session, 3, "プロセス 2 で推定したピーク集合を用いて音高認識します．")) {
    return 1;
  }
  if (!IsReadableFile(session.WorkPath(kLumpFileName))) {
    return Fail(session, "err: PeakCombination.txt がありません．");
  }
  if ((Refined(session) ? RefinedPitchRecognition(session) : PitchRecognition(session)) != 0) {
    return StageFailed(session, "err: PitchRecognition が異常終了しました．");
  }
  host.PlotProcess3();
  return 0;
}

int RunProcess4(Session& session, ProcessHost& host) {
  if (!Begin(session, 4, "プロセス 3 で出力した認識結果から MIDI を生成します．")) {
    return 1;
  }
  std::string wave;
  if (!AnalysedWavePath(session, wave)) {
    return Fail(session, "err: ConvertTxt2Mid が異常終了しました．");
  }
  const std::string mid_name = wave + ".mid";
  const std::string txt_name = wave + ".txt";
  // The playback device may hold the very file that would be replaced.
  if (host.SelectedPath() == mid_name) {
    return Fail(session, "err: デバイスが MIDI を参照しているため変換できません．");
  }
  // Without a WAVE path the names would be ".txt" and ".mid" in the working folder.
  if (wave.empty() || !IsReadableFile(txt_name)) {
    return Fail(session, "err: 認識結果ファイルがありません．");
  }
  // The conversion is too short to report on: a cancel is honoured before it.
  if (session.progress.Cancelled()) return Fail(session, kCancelledLine);
  if (ConvertTxt2Mid(session, txt_name, mid_name) != 0) {
    return StageFailed(session, "err: ConvertTxt2Mid が異常終了しました．");
  }
  return 0;
}

int RunWav2Mid(Session& session, ProcessHost& host) {
  for (auto* process : {RunProcess1, RunProcess2, RunProcess3, RunProcess4}) {
    if (process(session, host) != 0) return 1;
    // A cancel that came while a figure was drawn stops the run before the next process.
    if (session.progress.Cancelled()) return Fail(session, kCancelledLine);
  }
  MessageLog& log = session.log;
  log.ClearLog();
  log.AppendLog("% \"wav2mid\" コンプリート！");
  log.AppendLog("");
  log.AppendLog("wave の認識結果を MIDI に出力しました．");
  log.AppendLog("出力ファイルは wave ファイルと同じフォルダにあります.");
  log.AppendLog("ラジオボタンの midi にチェックして試聴してみてください．");
  return 0;
}

}  // namespace tonvale
