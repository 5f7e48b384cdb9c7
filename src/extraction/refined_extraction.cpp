#include "extraction/refined_extraction.h"

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <limits>
#include <memory>
#include <new>
#include <string>
#include <vector>

#include "app/numbers.h"
#include "extraction/decoded_recording.h"
#include "extraction/peak_file.h"
#include "extraction/peak_file_writer.h"
#include "extraction/peak_picker.h"
#include "extraction/recording_reader.h"
#include "extraction/refined_spectrum.h"
#include "extraction/short_spectra.h"
#include "extraction/wave_header_report.h"
#include "extraction/wave_recording_source.h"
#include "extraction/work_file.h"

namespace tonvale {
namespace {

constexpr char kNoMemory[] = "err: 記憶領域が不足しています．";

void LogArguments(MessageLog& log, const Settings& s, const std::string& wavePath) {
  log.AppendLog("..Peak-frequency extraction (refined)");
  log.AppendLog("");
  log.AppendLog("..Argument");
  log.AppendLog(Format("FileName      is \"%s\".", wavePath.c_str()));
  log.AppendLog(Format("FrameRate    is \"%d\".", s.FrameRate));
  log.AppendLog("");
}

// A WAVE file that cannot be read to its end leaves what was read of it, in both files.
void KeepPartial(PeakFileWriter& file, ShortSpectraWriter& shortFile) {
  file.KeepPartial();
  shortFile.Commit();
}

int Run(Session& session, const std::string& wavePath) {
  MessageLog& log = session.log;
  const Settings& s = session.settings;
  LogArguments(log, s, wavePath);
  if (s.FrameRate <= 0) {
    log.AppendLog("err: フレームシフト間隔は自然数にしてください．");
    return 1;
  }
  // The path is a line of the peak file and of the header report.
  if (wavePath.find_first_of("\r\n") != std::string::npos) {
    log.AppendLog("err: 改行を含むパスの WAVE ファイルは解析できません．");
    return 1;
  }
  WaveFmt_Data format;
  std::unique_ptr<DecodedRecordingSource> decoded;
  if (ChooseRecordingReader(wavePath) == RecordingReader::kSndfile) {
    decoded = DecodedRecordingSource::Open(session, wavePath);
    if (!decoded) return 1;
  } else {
    if (WriteWaveHeaderReport(session, wavePath) != 0) return 1;
    if (ReadWaveHeaderReport(session, format) != 0) return 1;
  }

  const double rate = decoded ? decoded->format().rate : format.samplingRate();
  if (rate < kAnalysisRate) {
    log.AppendLog(
        Format("err: サンプリングレートが%8.2fHz以上でないと解析できません．", kAnalysisRate));
    return 1;
  }
  RefinedSpectrum spectrum;
  if (!spectrum.Prepare(rate, s.FrameRate)) {
    log.AppendLog(kNoMemory);
    return 1;
  }
  log.AppendLog(Format("FrameLength is \"%d\".", spectrum.frameLength()));
  log.AppendLog("Window        is \"Hann, centred on each label\".");
  log.AppendLog("");

  // A decoded recording and a WAVE file are both read as the frames go.
  WaveRecordingSource wave;
  if (!decoded && wave.Open(log, wavePath, format) != 0) return 1;
  RecordingSource& source = decoded ? static_cast<RecordingSource&>(*decoded) : wave;
  const int64_t sampleCount = decoded ? decoded->sampleCount() : wave.sampleCount();
  // The frame count: the duration in milliseconds over the frame shift.
  const double duration = static_cast<double>(sampleCount) / rate * 1000.0;
  const auto loopCount =
      static_cast<int64_t>(std::min(std::trunc(duration / s.FrameRate),
                                    static_cast<double>(std::numeric_limits<int32_t>::max())));

  PeakFileWriter file;
  if (!file.Open(session.WorkPath(kPeakFileName))) {
    log.AppendLog("cannot open! PeakExtract.txt");
    return 1;
  }
  file.WriteHeader(s.FrameRate, loopCount, wavePath);
  ShortSpectraWriter shortFile;
  if (!shortFile.Open(session.WorkPath(kShortSpectraFileName), wavePath, spectrum.rate(),
                      s.FrameRate, spectrum.shortLength(),
                      static_cast<int>(spectrum.shortLevels().size()), loopCount)) {
    log.AppendLog(std::string("err: cannot open! ") + kShortSpectraFileName);
    return 1;
  }
  std::vector<RefinedPeak> peaks;
  std::vector<float> frequencies, levels;
  std::string record;
  double MaxdB = -1000.0, MindB = 1000.0;
  for (int64_t m = 1; m <= loopCount; ++m) {
    // Cancelled: the half-made peak file is dropped and the previous one stays.
    if (!session.progress.Advance(m - 1, loopCount)) return 1;
    if (spectrum.NextFrame(source, peaks) != 0) {
      // A decoded recording that cannot be read on leaves the previous peak file.
      if (!decoded) KeepPartial(file, shortFile);
      return 1;
    }
    frequencies.clear();
    levels.clear();
    for (const RefinedPeak& peak : peaks) {
      frequencies.push_back(peak.frequency);
      levels.push_back(peak.level);
      MaxdB = std::max(MaxdB, static_cast<double>(peak.level));
      MindB = std::min(MindB, static_cast<double>(peak.level));
    }
    record.clear();
    AppendPeakRecord(record, s.FrameRate * m, frequencies, levels);
    file.Write(record);
    shortFile.Write(spectrum.shortLevels());
  }
  // The rest of the recording, so that the report of what was read covers all of it.
  std::vector<double> rest(4096);
  int64_t got = 0;
  while ((got = source.Read(rest)) > 0) {
  }
  if (got < 0) {
    // A decoded recording that cannot be read on leaves the previous peak file.
    if (!decoded) KeepPartial(file, shortFile);
    return 1;
  }
  if (decoded) {
    decoded->LogReading(log);
  } else {
    wave.LogReading(log, format.dataRate());
  }
  if (!file.Finish(MaxdB, MindB)) {
    log.AppendLog("err: cannot write! PeakExtraction.txt");
    return 1;
  }
  // Without its short spectra the peak file still serves (onsets then come from its frames),
  // but not beside those of an earlier run.
  if (!shortFile.Commit()) {
    std::remove(session.WorkPath(kShortSpectraFileName).c_str());
    log.AppendLog(std::string("cannot write! ") + kShortSpectraFileName);
  }
  log.AppendLog(Format("Loop-count is %lld [times].", static_cast<long long>(loopCount)));
  log.AppendLog("");
  log.AppendLog("..The analysis result was addressed to \"PeakExtraction.txt\".");
  log.AppendLog("OK!");
  return 0;
}

}  // namespace

int RefinedPeakExtraction(Session& session, const std::string& wavePath) {
  try {
    return Run(session, wavePath);
  } catch (const std::bad_alloc&) {
    session.log.AppendLog(kNoMemory);
    return 1;
  }
}

}  // namespace tonvale
