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

// The joining pass over the lump file that the first pass has just written.
int JoinPass(Session& session, int shortestPeakTime) {
  MessageLog& log = session.log;
  const std::string path = session.WorkPath(kLumpFileName);
  WorkFile input;
  if (!ReadStageInput(session, kLumpFileName, "err: cannot open! PeakCombination.txt", input)) {
    return 1;
  }
  OutputFile output;
  if (!output.Open(path, OutputFile::Mode::kText)) {
    log.AppendLog("cannot open! PeakCombination.txt");
    return 1;
  }
  std::string text;
  AppendWorkFileHeader(text, RewrittenHeader(input));
  log.AppendLog("..Under proccecing");
  log.AppendLog("");

  std::vector<Lump> lumps = LumpsOf(input.records);
  input.records = PeakTable();
  JoinLumps(lumps, input.FrameRate(), shortestPeakTime, [&](int joins) {
    log.AppendLog(Format("      Amended %d times", joins));
    log.AppendLog("");
  });

  const float threshold = LoudnessThreshold(input.MaxdB(), input.MindB());
  for (Lump& lump : lumps) {
    if (IsLoudEnough(lump, threshold)) {
      AppendPeakRecord(text, lump.start, lump.frequencies, lump.levels);
    }
    lump = Lump();  // written: its memory goes back
    if (text.size() > (1 << 20)) {
      output.Write(text);
      text.clear();
    }
  }
  text += "end_of_file";
  output.Write(text);
  if (!output.Commit()) {
    log.AppendLog("cannot open! PeakCombination.txt");
    return 1;
  }
  return 0;
}

}  // namespace

int PeakCombination(Session& session) {
  MessageLog& log = session.log;
  const Settings& settings = session.settings;
  log.AppendLog("..Combine peaks by the cost minimum");
  log.AppendLog("");
  log.AppendLog("..Argument");
  log.AppendLog(Format("Tempo         is \"%d\".", settings.Tempo));
  log.AppendLog(Format("ShortestNote is \"%d\".", settings.ShortestNote));
  log.AppendLog("");

  WorkFile frames;
  if (!ReadStageInput(session, kPeakFileName, "err: cannot open! PeakExtract.txt", frames)) {
    return 1;
  }
  const int frameRate = frames.FrameRate();
  OutputFile output;
  if (!output.Open(session.WorkPath(kLumpFileName), OutputFile::Mode::kText)) {
    log.AppendLog("err: cannot open! PeakCombination.txt");
    return 1;
  }
  std::string text;
  AppendWorkFileHeader(text, RewrittenHeader(frames));

  const int shortestPeakTime = ShortestPeakTime(settings.Tempo, settings.ShortestNote);
  log.AppendLog("..Calculated values");
  log.AppendLog(Format("Time of the shortest peak is %d [msec], \n", shortestPeakTime));
  log.AppendLog("when musical audio signal is \"" + frames.header.signalName + "\". \n");
  log.AppendLog("");

  // The lump file goes out a megabyte at a time rather than being held whole.
  auto flush = [&output](std::string& part) {
    output.Write(part);
    part.clear();
  };
  LinkingResult linked =
      LinkPeaks(frames.records, frames.header.LoopCount, frameRate, text, flush, &session.progress);
  // Cancelled: the half-made file is dropped and the previous one stays.
  if (session.progress.Cancelled()) return 1;
  frames.records = PeakTable();
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
  if (JoinPass(session, shortestPeakTime) != 0) return 1;
  log.AppendLog("");
  log.AppendLog("..Carried out peak clustering using proposed method 2");
  log.AppendLog("..Complete!");
  return 0;
}

}  // namespace tonvale
