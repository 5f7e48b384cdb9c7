#include "extraction/peak_extraction.h"

#include <cmath>
#include <cstdint>
#include <limits>
#include <new>
#include <string>
#include <vector>

#include "app/numbers.h"
#include "dsp/analysis_windows.h"
#include "dsp/double_array.h"
#include "dsp/down_sample.h"
#include "extraction/peak_file_writer.h"
#include "extraction/peak_picker.h"
#include "extraction/proposed_method1.h"
#include "extraction/wave_header_report.h"
#include "extraction/wave_samples.h"

namespace tonvale {
namespace {

constexpr char kNoMemory[] = "err: 記憶領域が不足しています．";
// Recordings above this rate are refused: the anti-aliasing filter grows with the rate.
constexpr double kHighestRate = 1000000.0;

void LogArguments(MessageLog& log, const Settings& s, const std::string& wavePath) {
  log.AppendLog("..Peak-frequency extraction");
  log.AppendLog("");
  log.AppendLog("..Argument");
  log.AppendLog(Format("FileName      is \"%s\".", wavePath.c_str()));
  log.AppendLog(Format("FrameRate    is \"%d\".", s.FrameRate));
  log.AppendLog(Format("FrameLength is \"%d\".", s.FrameLength));
  log.AppendLog(Format("VirtualLength is \"%d\".", s.VirtualLength));
  log.AppendLog(Format("Window        is \"%s\".", s.Window.c_str()));
  log.AppendLog("");
}

// What the frame loop needs of the settings, checked before any file is touched.
bool CheckArguments(MessageLog& log, const Settings& s, const std::string& wavePath) {
  const int v = s.VirtualLength;
  if (v < 1 || (v & (v - 1)) != 0) {
    log.AppendLog(Format("err: ０づめしたフレーム長 (%d) は２の乗の値にしてください．", v));
    return false;
  }
  if (s.FrameRate <= 0 || s.FrameLength <= 0 || s.FrameLength > v) {
    log.AppendLog(
        "err: フレームシフト間隔とフレーム長は自然数，フレーム長は０づめしたフレーム長以下に"
        "してください．");
    return false;
  }
  // The path is a line of the peak file and of the header report.
  if (wavePath.find_first_of("\r\n") != std::string::npos) {
    log.AppendLog("err: 改行を含むパスの WAVE ファイルは解析できません．");
    return false;
  }
  return true;
}

// The frame count: the duration in milliseconds over the frame shift, from the byte count and
// the data rate.
int64_t LoopCountOf(int64_t monoBytes, int32_t dataRate, int frameRate) {
  const double count = std::trunc(static_cast<double>(monoBytes) / dataRate / frameRate * 1000.0);
  constexpr double kMax = std::numeric_limits<int32_t>::max();
  return static_cast<int64_t>(std::min(std::max(count, -kMax), kMax));
}

int Run(Session& session, const std::string& wavePath) {
  MessageLog& log = session.log;
  const Settings& s = session.settings;
  LogArguments(log, s, wavePath);
  if (!CheckArguments(log, s, wavePath)) return 1;

  if (WriteWaveHeaderReport(session, wavePath) != 0) return 1;
  WaveFmt_Data format;
  if (ReadWaveHeaderReport(session, format) != 0) return 1;

  SpectralPeakPicker picker;
  if (!picker.Prepare(s.FrameLength, s.VirtualLength, s.WeakPowerCutDb)) {
    log.AppendLog(kNoMemory);
    return 1;
  }
  AnalysisWindow window;
  const bool knownWindow = AnalysisWindow::IsKnownName(s.Window);
  if (knownWindow && !window.Select(s.Window, s.FrameLength)) {
    log.AppendLog(kNoMemory);
    return 1;
  }

  PeakFileWriter peaks;
  if (!peaks.Open(session.WorkPath(kPeakFileName))) {
    log.AppendLog("cannot open! PeakExtract.txt");
    return 1;
  }
  // From here on a failure leaves the peak file as far as it was written.
  auto stop = [&peaks] {
    peaks.KeepPartial();
    return 1;
  };

  std::vector<int16_t> samples;
  int64_t dataBytes = 0;
  const bool stereo = format.channels() == 2;
  if (ReadWaveSamples(log, wavePath, format, samples, dataBytes,
                      stereo ? KeptSamples::kFirstOfTwo : KeptSamples::kAll) != 0) {
    return stop();
  }
  int32_t dataRate = format.dataRate();
  int64_t monoBytes = dataBytes;
  if (stereo) monoBytes = LogStereoFold(log, dataBytes, dataRate);
  const int bits = format.bitsPerSample();
  const int64_t sampleCount = monoBytes / bits * 8;
  samples.resize(static_cast<size_t>(sampleCount));
  if (dataRate <= 0) {
    log.AppendLog(
        Format("err: データ速度が %d [bytes/sec] の WAVE ファイルは解析できません．", dataRate));
    return stop();
  }

  const double rate = format.samplingRate();
  std::vector<double> signal;
  if (rate > kAnalysisRate) {
    if (rate > kHighestRate) {
      log.AppendLog(
          Format("err: サンプリングレートが%8.2fHz以下でないと解析できません．", kHighestRate));
      return stop();
    }
    if (!DownSample(samples, rate, kAnalysisRate, signal)) {
      log.AppendLog(kNoMemory);
      return stop();
    }
    log.AppendLog("");
    log.AppendLog("..Down-sampling was carried out.");
  } else if (rate == kAnalysisRate) {
    if (!ShortsToDoubles(samples, signal)) {
      log.AppendLog(kNoMemory);
      return stop();
    }
  } else {
    log.AppendLog(
        Format("err: サンプリングレートが%8.2fHz以上でないと解析できません．", kAnalysisRate));
    return stop();
  }
  std::vector<int16_t>().swap(samples);

  const int frameRate = s.FrameRate;
  const int64_t loopCount = LoopCountOf(monoBytes, dataRate, frameRate);
  // The frame step is a whole number of samples, so frames drift slightly against their labels.
  const int64_t step = static_cast<int64_t>(frameRate * 11.025);
  // With the byte rate that the rate, channels and bits give, every frame starts inside the
  // signal. A lower byte rate claims a longer recording than the data holds: the frames past its
  // end would all be empty, and a header claiming one byte a second would ask for billions.
  if (loopCount > 0 && (loopCount - 1) * step >= static_cast<int64_t>(signal.size())) {
    log.AppendLog(
        Format("err: データ速度が %d [bytes/sec] の WAVE ファイルは解析できません．", dataRate));
    return stop();
  }
  peaks.WriteHeader(frameRate, loopCount, wavePath);

  // The frames are most of the work; proposed method 1 rewrites the file afterwards.
  const bool secondPass = s.ProposedMethod1 == kSwitchOn;
  session.progress.SetSpan(0.0, secondPass ? 0.85 : 1.0);
  LevelRange range;
  int64_t start = 0;
  int64_t frames = 0;
  std::string record;
  for (int64_t m = 1; m <= loopCount; ++m) {
    record.clear();
    AppendInteger(record, frameRate * m);
    record += ": ";
    if (!knownWindow) {
      peaks.Write(record);
      log.AppendLog("");
      log.AppendLog(
          "error! 窓の種類が不明．窓の種類...ブラックマン窓・ハニング窓・ハミング窓・方形窓・"
          "三角窓・なし");
      return stop();
    }
    picker.AnalyseFrame(signal, start, window, record, range);
    record += "end\n";
    peaks.Write(record);
    start += step;
    ++frames;
    // Cancelled: the unfinished peak file is dropped and the previous one stays.
    if (!session.progress.Advance(m, loopCount)) return 1;
  }
  std::vector<double>().swap(signal);
  if (!peaks.Finish(range.MaxdB, range.MindB)) {
    log.AppendLog("err: cannot write! PeakExtraction.txt");
    return 1;
  }

  log.AppendLog(Format("First sample in the last frame is %lld*16 / %d = %lld [samples].\n",
                       static_cast<long long>(monoBytes), bits, static_cast<long long>(start)));
  log.AppendLog(Format("Loop-count is %lld [times].", static_cast<long long>(frames)));
  log.AppendLog("");
  log.AppendLog("..The analysis result was addressed to \"PeakExtraction.txt\".");

  if (secondPass) {
    session.progress.SetSpan(0.85, 1.0);
    return ProposedMethod1Pass(session);
  }
  log.AppendLog("OK!");
  return 0;
}

}  // namespace

int PeakExtraction(Session& session, const std::string& wavePath) {
  // The large tables are checked one by one; this catches whatever small allocation fails.
  try {
    return Run(session, wavePath);
  } catch (const std::bad_alloc&) {
    session.log.AppendLog(kNoMemory);
    return 1;
  }
}

}  // namespace tonvale
