#include "recognition/peak_combination.h"

#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "app/numbers.h"
#include "app/output_file.h"
#include "dsp/worker_pool.h"
#include "extraction/work_file.h"
#include "recognition/lump_joining.h"
#include "recognition/lump_pipe.h"
#include "recognition/peak_linking.h"

namespace tonvale {
namespace {

constexpr char kCannotReplace[] = "cannot open! PeakCombination.txt";
constexpr size_t kWriteBytes = 1 << 20;

void LogSweep(MessageLog& log, int joins) {
  log.AppendLog(Format("      Amended %d times", joins));
  log.AppendLog("");
}

// A lump line of a lump file; the file's text goes out a megabyte at a time.
void WriteLumpLine(int64_t label, std::span<const float> frequencies, std::span<const float> levels,
                   std::string& text, OutputFile& output) {
  AppendPeakRecord(text, label, frequencies, levels);
  if (text.size() > kWriteBytes) {
    output.Write(text);
    text.clear();
  }
}

// A joined lump goes to the lump file when it is loud enough.
void WriteIfLoud(const Lump& lump, float threshold, std::string& text, OutputFile& output) {
  if (IsLoudEnough(lump, threshold)) {
    WriteLumpLine(lump.start, lump.frequencies, lump.levels, text, output);
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
  if (!output.Open(session.WorkPath(kLumpFileName), OutputFile::Mode::kText,
                   OutputFile::Replace::kQuickly)) {
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

// The end of a joining pass that took its lumps in start order: its log lines, then the
// joined file in place of the first pass's.
int EndJoinedFile(MessageLog& log, int64_t joins, std::string& text, OutputFile& output) {
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
  if (!output.Open(session.WorkPath(kLumpFileName), OutputFile::Mode::kText,
                   OutputFile::Replace::kQuickly)) {
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
  return EndJoinedFile(log, joins, text, output);
}

namespace {

// The joining pass run on the first pass's lumps as they are made, instead of over the file
// the first pass writes: what it reads is what the file would give back, the header through
// the same reader from the same bytes, each number as parsed from its written text.
class JoinAsLinked {
 public:
  JoinAsLinked(Session& session, std::string_view firstHeader, int shortestPeakTime)
      : session_(session), shortestPeakTime_(shortestPeakTime) {
    std::string bytes;
    AppendWithCrLf(bytes, firstHeader);
    InputStream in(bytes);
    read_.header = ReadWorkFileHeader(in);
    // A frame shift that reads as 0 is left to the pass over the file, which reports it.
    if (read_.FrameRate() != 0 &&
        output_.Open(session.WorkPath(kLumpFileName), OutputFile::Mode::kText,
                     OutputFile::Replace::kQuickly)) {
      AppendWorkFileHeader(text_, RewrittenHeader(read_));
      threshold_ = LoudnessThreshold(read_.MaxdB(), read_.MindB());
    } else {
      joins_ = -1;
    }
  }

  // Joins the lumps that `next` hands over, each written to the first pass's text as it
  // comes; the loud ones go to the joined lumps' file. False when the lumps have to be joined
  // over the written file after all (they came out of start order).
  bool Join(const std::function<bool(Lump& lump)>& next) {
    if (joins_ < 0) return false;
    joins_ = JoinLumpsInStartOrder(
        next, [&](size_t, Lump& lump) { WriteIfLoud(lump, threshold_, text_, output_); },
        read_.FrameRate(), shortestPeakTime_);
    return joins_ >= 0;
  }

  // After the first pass's file is in place: the rest of the joining pass, with its log lines.
  int Finish() {
    if (joins_ < 0) {
      output_.Abandon();
      return JoinLumpFile(session_, shortestPeakTime_);
    }
    return EndJoinedFile(session_.log, joins_, text_, output_);
  }

 private:
  Session& session_;
  const int shortestPeakTime_;
  WorkFileValues read_;
  OutputFile output_;
  std::string text_;
  float threshold_ = 0.0f;
  int64_t joins_ = 0;
};

// Gives `lump` what reading back the lump line of (label, points) gives.
void ReadBack(int64_t label, std::span<const float> frequencies, std::span<const float> levels,
              Lump& lump) {
  lump.start = ClampToInt32(label);
  lump.frequencies.resize(frequencies.size());
  lump.levels.resize(levels.size());
  for (size_t i = 0; i < frequencies.size(); ++i) {
    lump.frequencies[i] = ReadBackFixed2(frequencies[i]);
    lump.levels[i] = ReadBackFixed2(levels[i]);
  }
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

  StageInput frames(session, kPeakFileName);
  if (!frames.Open("err: cannot open! PeakExtract.txt")) return 1;
  const int64_t frameRate = frames.FrameRate();
  OutputFile output;
  if (!output.Open(session.WorkPath(kLumpFileName), OutputFile::Mode::kText,
                   OutputFile::Replace::kQuickly)) {
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

  auto keepGoing = [&] { return session.progress.Advance(frames.BytesRead(), frames.Bytes()); };
  PeakLinker linker(frames.RecordsReadAhead(session.analysisThreads), frames.header.LoopCount,
                    keepGoing);
  std::optional<JoinAsLinked> joining;
  if (settings.ProposedMethod2 == kSwitchOn) joining.emplace(session, text, shortestPeakTime);
  // Takes the lumps in order: each goes to the first pass's text, unless the caller writes it,
  // and while the joining goes on here, to the joining pass as the written file would give it
  // back.
  auto takeLumps = [&](const LumpPipe::Source& next, bool writeFirstPass) {
    int64_t label;
    std::span<const float> frequencies, levels;
    auto nextLump = [&](Lump* readBack) {
      if (!next(label, frequencies, levels)) return false;
      if (writeFirstPass) WriteLumpLine(label, frequencies, levels, text, output);
      if (readBack != nullptr) ReadBack(label, frequencies, levels, *readBack);
      return true;
    };
    if (joining) joining->Join([&](Lump& lump) { return nextLump(&lump); });
    while (nextLump(nullptr)) {
    }
  };
  int frame;
  std::vector<float> frequencies;
  std::vector<float> levels;
  if (WorkerPool::Resolve(session.analysisThreads) > 1) {
    // With a second core the lumps go on there while this thread links them: to the joining
    // pass when there is one, this thread writing the first pass's text, the lighter share;
    // else to the first pass's text.
    const bool writeHere = joining.has_value();
    LumpPipe pipe([&](const LumpPipe::Source& next) { takeLumps(next, !writeHere); });
    while (linker.Next(frame, frequencies, levels)) {
      if (writeHere) WriteLumpLine(frameRate * frame, frequencies, levels, text, output);
      pipe.Add(frameRate * frame, frequencies, levels);
    }
    pipe.Finish();
  } else {
    takeLumps(
        [&](int64_t& label, std::span<const float>& lumpFrequencies,
            std::span<const float>& lumpLevels) {
          if (!linker.Next(frame, frequencies, levels)) return false;
          label = frameRate * frame;
          lumpFrequencies = frequencies;
          lumpLevels = levels;
          return true;
        },
        true);
  }
  const LinkingResult& linked = linker.Result();
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

  if (!joining) {
    log.AppendLog("OK!");
    return 0;
  }
  if (joining->Finish() != 0) return 1;
  log.AppendLog("");
  log.AppendLog("..Carried out peak clustering using proposed method 2");
  log.AppendLog("..Complete!");
  return 0;
}

}  // namespace tonvale
