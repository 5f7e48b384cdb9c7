#include "extraction/peak_extraction.h"

#include <cmath>
#include <cstdint>
#include <limits>
#include <memory>
#include <new>
#include <string>
#include <vector>

#include "app/numbers.h"
#include "dsp/analysis_windows.h"
#include "dsp/down_sample.h"
#include "dsp/resample.h"
#include "dsp/worker_pool.h"
#include "extraction/decoded_recording.h"
#include "extraction/frame_analysis.h"
#include "extraction/peak_file_writer.h"
#include "extraction/peak_picker.h"
#include "extraction/persistent_peak_stream.h"
#include "extraction/proposed_method1.h"
#include "extraction/recording_reader.h"
#include "extraction/signal_ahead.h"
#include "extraction/wave_header_report.h"
#include "extraction/wave_recording_source.h"
#include "extraction/work_file.h"

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

// The recording as process 1 reads it: the header report's values and the 8/16-bit reader, or
// the libsndfile decoder, and what follows from them before a sample is read.
struct Recording {
  WaveFmt_Data format;
  WaveRecordingSource wave;
  std::unique_ptr<DecodedRecordingSource> decoded;  // set for a recording libsndfile decodes
  int64_t sampleCount = 0;                          // L: the first-channel samples analysed
  int32_t dataRate = 0;                             // bytes per second of the first channel
  double rate = 0.0;                                // samples per second
  int64_t loopCount = 0;
  int64_t step = 0;  // of the frames, in samples at the analysis rate

  RecordingSource& source() { return decoded ? static_cast<RecordingSource&>(*decoded) : wave; }
  int64_t monoBytes() const { return decoded ? decoded->monoBytes() : wave.monoBytes(); }
  int bits() const { return decoded ? decoded->bits() : wave.bits(); }
  void LogReading(MessageLog& log) const {
    if (decoded) {
      decoded->LogReading(log);
    } else {
      wave.LogReading(log, format.dataRate());
    }
  }
};

// Opens the samples and works out from the header what the analysis will be. 1 after a line in
// the log when the samples cannot be read.
int OpenSamples(MessageLog& log, const std::string& wavePath, int frameRate, Recording& recording) {
  if (recording.decoded) {
    // Two bytes a frame: the duration gives the frame count as it does for a 16-bit file.
    recording.sampleCount = recording.decoded->sampleCount();
    recording.rate = recording.decoded->format().rate;
    recording.dataRate = 2 * recording.decoded->format().rate;
  } else {
    WaveRecordingSource& source = recording.wave;
    if (source.Open(log, wavePath, recording.format) != 0) return 1;
    recording.sampleCount = source.sampleCount();
    recording.dataRate = recording.format.dataRate();
    if (source.stereo()) recording.dataRate /= 2;
    recording.rate = recording.format.samplingRate();
  }
  if (recording.dataRate > 0) {
    recording.loopCount = LoopCountOf(recording.monoBytes(), recording.dataRate, frameRate);
  }
  // The frame step is a whole number of samples, so frames drift slightly against their labels.
  recording.step = static_cast<int64_t>(frameRate * 11.025);
  return 0;
}

// Why a recording is not analysed, decided from its header before a sample is read. The log
// tells it after the amplitude of the samples and, for the byte rate that claims more frames than
// the signal holds, after the rate conversion as well.
struct Refusal {
  std::string line;  // empty: the recording is analysed
  bool afterConversion = false;
};

Refusal RefusalOf(const Recording& recording) {
  const int32_t dataRate = recording.dataRate;
  const std::string badDataRate =
      Format("err: データ速度が %d [bytes/sec] の WAVE ファイルは解析できません．", dataRate);
  if (dataRate <= 0) return {badDataRate};
  const double rate = recording.rate;
  if (rate > kHighestRate) {
    return {Format("err: サンプリングレートが%8.2fHz以下でないと解析できません．", kHighestRate)};
  }
  if (rate < kAnalysisRate) {
    return {Format("err: サンプリングレートが%8.2fHz以上でないと解析できません．", kAnalysisRate)};
  }
  // With the byte rate that the rate, channels and bits give, every frame starts inside the
  // signal. A lower byte rate claims a longer recording than the data holds: the frames past its
  // end would all be empty, and a header claiming one byte a second would ask for billions.
  const size_t length =
      rate > kAnalysisRate
          ? ResampledLength(static_cast<size_t>(recording.sampleCount), rate, kAnalysisRate)
          : static_cast<size_t>(recording.sampleCount);
  const int64_t loopCount = recording.loopCount;
  if (loopCount > 0 && (loopCount - 1) * recording.step >= static_cast<int64_t>(length)) {
    return {badDataRate, true};
  }
  return {};
}

// Reads the recording to its end and, with frames to take it, brings it to the analysis rate
// (through `down`, when given) and hands the signal to them, their peaks going to `sink`. 1 when
// the recording cannot be read on (the source has said why in the log) or when the run was
// cancelled; the blocks read are reported to `progress`.
int StreamSignal(Recording& recording, StreamingDownSampler* down, FrameAnalysis* frames,
                 FramePeakSink& sink, RunProgress& progress) {
  const size_t length = static_cast<size_t>(recording.sampleCount);
  std::vector<double> block(size_t{1} << 16), signal;
  size_t taken = 0;
  int64_t read = 0;
  for (;;) {
    const int64_t got = recording.source().Read(block);
    if (got < 0) return 1;
    if (got == 0) break;
    read += got;
    if (!progress.Advance(read, recording.sampleCount)) return 1;
    if (frames == nullptr) continue;
    const auto run = std::span<const double>(block).first(
        std::min(static_cast<size_t>(got), length - std::min(length, taken)));
    taken += run.size();
    if (down == nullptr) {
      frames->Add(run, sink);
      continue;
    }
    signal.clear();
    down->Add(run, signal);
    frames->Add(signal, sink);
  }
  if (frames == nullptr) return 0;
  if (down != nullptr) {
    signal.clear();
    down->Finish(signal);
    frames->Add(signal, sink);
  }
  frames->Finish(sink);
  return 0;
}

// StreamSignal with the reading and the rate conversion on a thread of their own, beside the
// frame analysis: the same runs reach the frames, and the same progress and failures the
// caller.
int StreamSignalAhead(Recording& recording, StreamingDownSampler* down, FrameAnalysis& frames,
                      FramePeakSink& sink, RunProgress& progress) {
  SignalAhead ahead(recording.source(), down, static_cast<size_t>(recording.sampleCount));
  std::vector<double> run;
  for (;;) {
    int64_t read = 0;
    const SignalAhead::Got got = ahead.Next(run, read);
    if (got == SignalAhead::Got::kFailed) return 1;
    if (got == SignalAhead::Got::kEnd) {
      if (!run.empty()) frames.Add(run, sink);
      break;
    }
    if (!progress.Advance(read, recording.sampleCount)) return 1;
    frames.Add(run, sink);
  }
  frames.Finish(sink);
  return 0;
}

// Ends the run once the signal has been read: with the refusal, with the unknown window (the peak
// file keeping its header and the first frame's label), or with the finished peak file (the
// persistent peaks' when `persistent` made its records) and the result lines.
int Report(MessageLog& log, const std::string& wavePath, int frameRate, const Recording& recording,
           const Refusal& refusal, const FrameAnalysis& frames, PeakFileWriter& peaks,
           PersistentPeakStream* persistent) {
  const bool converted = refusal.line.empty() || refusal.afterConversion;
  recording.LogReading(log);
  if (converted && recording.rate > kAnalysisRate) {
    log.AppendLog("");
    log.AppendLog("..Down-sampling was carried out.");
  }
  if (!refusal.line.empty()) {
    log.AppendLog(refusal.line);
    peaks.KeepPartial();
    return 1;
  }
  if (frames.frames() < recording.loopCount) {
    peaks.WriteHeader(frameRate, recording.loopCount, wavePath);
    std::string label;
    AppendInteger(label, frameRate);
    peaks.Write(label + ": ");
    log.AppendLog("");
    log.AppendLog(
        "error! 窓の種類が不明．窓の種類...ブラックマン窓・ハニング窓・ハミング窓・方形窓・三角窓・"
        "なし");
    peaks.KeepPartial();
    return 1;
  }
  const bool written = persistent != nullptr
                           ? persistent->Finish(frames.range())
                           : peaks.Finish(frames.range().MaxdB, frames.range().MindB);
  if (!written) {
    log.AppendLog("err: cannot write! PeakExtraction.txt");
    return 1;
  }
  log.AppendLog(Format("First sample in the last frame is %lld*16 / %d = %lld [samples].\n",
                       static_cast<long long>(recording.monoBytes()), recording.bits(),
                       static_cast<long long>(frames.nextStart())));
  log.AppendLog(Format("Loop-count is %lld [times].", static_cast<long long>(frames.frames())));
  log.AppendLog("");
  log.AppendLog("..The analysis result was addressed to \"PeakExtraction.txt\".");
  return 0;
}

int Run(Session& session, const std::string& wavePath) {
  MessageLog& log = session.log;
  const Settings& s = session.settings;
  LogArguments(log, s, wavePath);
  if (!CheckArguments(log, s, wavePath)) return 1;

  Recording recording;
  if (ChooseRecordingReader(wavePath) == RecordingReader::kSndfile) {
    recording.decoded = DecodedRecordingSource::Open(session, wavePath);
    if (!recording.decoded) return 1;
  } else {
    if (WriteWaveHeaderReport(session, wavePath) != 0) return 1;
    if (ReadWaveHeaderReport(session, recording.format) != 0) return 1;
  }

  WorkerPool pool(session.analysisThreads);
  FrameAnalysis frames;
  AnalysisWindow window;
  const bool knownWindow = AnalysisWindow::IsKnownName(s.Window);
  if (!frames.Prepare(s.FrameRate, s.FrameLength, s.VirtualLength, s.WeakPowerCutDb, window,
                      pool) ||
      (knownWindow && !window.Select(s.Window, s.FrameLength))) {
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
  if (OpenSamples(log, wavePath, s.FrameRate, recording) != 0) return stop();
  const Refusal refusal = RefusalOf(recording);

  // An unknown window shows in the first frame: the recording is read and converted all the
  // same, and no frame is analysed.
  const bool convert = refusal.line.empty() || refusal.afterConversion;
  const bool analyse = refusal.line.empty() && (knownWindow || recording.loopCount == 0);
  StreamingDownSampler downSampler;
  const bool down = convert && recording.rate > kAnalysisRate;
  // With a second core the signal is read and filtered on a thread of its own, which keeps the
  // filter off the pool that the frames share out.
  const bool ahead = convert && pool.size() > 1;
  if (down && !downSampler.Start(static_cast<size_t>(recording.sampleCount), recording.rate,
                                 kAnalysisRate, ahead ? nullptr : &pool)) {
    log.AppendLog(kNoMemory);
    return stop();
  }
  frames.SetFrameCount(analyse ? recording.loopCount : 0);
  // With proposed method 1 the frames' peaks go straight into the records of the persistent
  // peaks: the first pass's records are never written. Runs that stop early leave what the
  // first pass leaves.
  std::unique_ptr<PersistentPeakStream> persistent;
  if (analyse && s.ProposedMethod1 == kSwitchOn) {
    persistent = std::make_unique<PersistentPeakStream>(
        AdjacentShiftFrames(s.AdjacentShift, s.FrameLength, s.FrameRate), s.FrameRate,
        recording.loopCount, wavePath, frames.range(), pool, peaks);
  } else if (analyse) {
    peaks.WriteHeader(s.FrameRate, recording.loopCount, wavePath);
  }
  session.progress.SetSpan(0.0, 1.0);
  // A recording that cannot be read to its end, or a cancelled run, leaves the previous peak
  // file.
  FramePeakSink& sink = persistent ? static_cast<FramePeakSink&>(*persistent) : peaks;
  StreamingDownSampler* const downTo = down ? &downSampler : nullptr;
  const int streamed =
      ahead ? StreamSignalAhead(recording, downTo, frames, sink, session.progress)
            : StreamSignal(recording, downTo, convert ? &frames : nullptr, sink, session.progress);
  if (streamed != 0) return 1;
  if (Report(log, wavePath, s.FrameRate, recording, refusal, frames, peaks, persistent.get()) !=
      0) {
    return 1;
  }
  if (persistent) {
    LogPersistentPeaksDone(log);
    return 0;
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
