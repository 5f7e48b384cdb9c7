#include "recognition/peak_combination.h"

#include <string>
#include <vector>

#include "app/numbers.h"
#include "app/output_file.h"
#include "extraction/work_file.h"
#include "recognition/lump_joining.h"
#include "recognition/peak_linking.h"

namespace tonvale {
namespace {

constexpr char kCannotReplace[] = "cannot open! PeakCombination.txt";
constexpr size_t kWriteBytes = 1 << 20;

void LogSweep(MessageLog& log, int joins) {
  log.AppendLog(Format("      Amended %d times", joins));
  log.AppendLog("");
}

// A joined lump goes to the lump file when it is loud enough; the file's text goes out a
// megabyte at a time.
void WriteIfLoud(const Lump& lump, float threshold, std::string& text, OutputFile& output) {
  if (IsLoudEnough(lump, threshold)) {
    AppendPeakRecord(text, lump.start, lump.frequencies, lump.levels);
  }
  if (text.size() > kWriteBytes) {
    output.Write(text);
    text.clear();
  }
}

// The joining pass over lumps of any order: the whole file is held.
int JoinWholeFile(Session& session, int shortestPeakTime) {
  MessageLog& log = session.log;
  WorkFile input;
  if (!ReadStageInput(session, kLumpFileName, "err: cannot open! PeakCombination.txt", input)) {
    return 1;
  }
  OutputFile output;
  if (!output.Open(session.WorkPath(kLumpFileName), OutputFile::Mode::kText)) {
    log.AppendLog(kCannotReplace);
    return 1;
  }
  std::string text;
  AppendWorkFileHeader(text, RewrittenHeader(input));
  log.AppendLog("..Under proccecing");
  log.AppendLog("");

  std::vector<Lump> lumps = LumpsOf(input.records);
  input.records = PeakTable();
  JoinLumps(lumps, input.FrameRate(), shortestPeakTime, [&](int joins) { LogSweep(log, joins); });

  const float threshold = LoudnessThreshold(input.MaxdB(), input.MindB());
  for (Lump& lump : lumps) {
    WriteIfLoud(lump, threshold, text, output);
    lump = Lump();  // written: its memory goes back
  }
  text += "end_of_file";
  output.Write(text);
  if (!output.Commit()) {
    log.AppendLog(kCannotReplace);
    return 1;
  }
  return 0;
}

bool ReadLump(PeakRecordReader& records, Lump& lump) {
  if (!records.NextRecord(lump.start)) return false;
  float frequency, level;
  while (records.NextPeak(frequency, level)) {
    lump.frequencies.push_back(frequency);
    lump.levels.push_back(level);
  }
  return true;
}

}  // namespace

int JoinLumpFile(Session& session, int shortestPeakTime) {
  MessageLog& log = session.log;
  StageInput input(session, kLumpFileName);
  if (!input.Open("err: cannot open! PeakCombination.txt")) return 1;
  OutputFile output;
  if (!output.Open(session.WorkPath(kLumpFileName), OutputFile::Mode::kText)) {
    log.AppendLog(kCannotReplace);
    return 1;
  }
  std::string text;
  AppendWorkFileHeader(text, RewrittenHeader(input));
  const float threshold = LoudnessThreshold(input.MaxdB(), input.MindB());
  const int64_t joins =
      JoinLumpsInStartOrder([&](Lump& lump) { return ReadLump(input.Records(), lump); },
                            [&](size_t, Lump& lump) { WriteIfLoud(lump, threshold, text, output); },
                            input.FrameRate(), shortestPeakTime);
  if (joins < 0) {
    output.Abandon();
    return JoinWholeFile(session, shortestPeakTime);
  }
  // A file that fails to read part-way is reported as the whole read reports it, and the
  // file of the first pass stays.
  if (!input.Finish()) return 1;
  log.AppendLog("..Under proccecing");
  log.AppendLog("");
  LogSweep(log, static_cast<int>(joins));
  if (joins != 0) LogSweep(log, 0);  // the sweep that finds nothing more
  text += "end_of_file";
  output.Write(text);
  if (!output.Commit()) {
    log.AppendLog(kCannotReplace);
    return 1;
  }
  return 0;
}

int PeakCombination(Session& session) {
  MessageLog& log = session.log;
  const Settings& settings = session.settings;
  log.AppendLog("..Combine peaks by the cost minimum");
  log.AppendLog("");
  log.AppendLog("..Argument");
  log.AppendLog(Format("Tempo         is \"%d\".", settings.Tempo));
  log.AppendLog(Format("ShortestNote is \"%d\".", settings.ShortestNote));
  log.AppendLog("");

  StageInput frames(session, kPeakFileName);
  if (!frames.Open("err: cannot open! PeakExtract.txt")) return 1;
  const int frameRate = frames.FrameRate();
  OutputFile output;
  if (!output.Open(session.WorkPath(kLumpFileName), OutputFile::Mode::kText)) {
    log.AppendLog("err: cannot open! PeakCombination.txt");
    return 1;
  }
  std::string text;
  AppendWorkFileHeader(text, RewrittenHeader(frames));

  const int shortestPeakTime = ShortestPeakTime(settings.Tempo, settings.ShortestNote);
  auto logCalculatedValues = [&] {
    log.AppendLog("..Calculated values");
    log.AppendLog(Format("Time of the shortest peak is %d [msec], \n", shortestPeakTime));
    log.AppendLog("when musical audio signal is \"" + frames.header.signalName + "\". \n");
    log.AppendLog("");
  };

  auto flush = [&output](std::string& part) {
    output.Write(part);
    part.clear();
  };
  auto keepGoing = [&] { return session.progress.Advance(frames.BytesRead(), frames.Bytes()); };
  LinkingResult linked =
      LinkPeaks(frames.Records(), frames.header.LoopCount, frameRate, text, flush, keepGoing);
  // Cancelled: the half-made file is dropped and the previous one stays.
  if (session.progress.Cancelled()) {
    logCalculatedValues();
    return 1;
  }
  // A peak file that fails to read part-way fails before anything is logged of it.
  if (!frames.Finish()) return 1;
  logCalculatedValues();
  log.AppendLog(
      Format("      The number of the maximum peaks per frame     = %d", linked.maxPeaksPerFrame));
  log.AppendLog(
      Format("      The number of the lumps which connected peaks = %d\n", linked.lumpCount));
  log.AppendLog("");
  text += "end_of_file";
  output.Write(text);
  if (!output.Commit()) {
    log.AppendLog("err: cannot open! PeakCombination.txt");
    return 1;
  }
  log.AppendLog("..Connected peaks using peak clustering");

  if (settings.ProposedMethod2 != kSwitchOn) {
    log.AppendLog("OK!");
    return 0;
  }
  if (JoinLumpFile(session, shortestPeakTime) != 0) return 1;
  log.AppendLog("");
  log.AppendLog("..Carried out peak clustering using proposed method 2");
  log.AppendLog("..Complete!");
  return 0;
}

}  // namespace tonvale
