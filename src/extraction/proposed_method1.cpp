#include "extraction/proposed_method1.h"

#include <algorithm>
#include <climits>
#include <deque>
#include <memory>
#include <new>
#include <string>
#include <vector>

#include "app/numbers.h"
#include "app/output_file.h"
#include "dsp/worker_pool.h"
#include "extraction/peak_file.h"
#include "extraction/persistent_peaks.h"
#include "extraction/record_read_ahead.h"
#include "extraction/work_file.h"

namespace tonvale {
namespace {

constexpr size_t kFlushBytes = 1 << 16;

// The frames of the peak file from the one being rewritten to the one R later. Frames beyond
// the file are empty.
class ShiftWindow {
 public:
  explicit ShiftWindow(PeakRecordSource& reader) : reader_(reader) {}

  const PeakFrame& At(int frame) {
    while (!ended_ && first_ + static_cast<int>(frames_.size()) <= frame) Read();
    const int at = frame - first_;
    if (at < 0 || at >= static_cast<int>(frames_.size())) return kNone;
    return frames_[static_cast<size_t>(at)];
  }

  // Frames before `frame` are not wanted any more.
  void Forget(int frame) {
    while (!frames_.empty() && first_ < frame) {
      spare_ = std::move(frames_.front());
      frames_.pop_front();
      ++first_;
    }
  }

 private:
  void Read() {
    int32_t label;
    if (!reader_.NextRecord(label)) {
      ended_ = true;
      return;
    }
    PeakFrame frame = std::move(spare_);
    frame.clear();
    float frequency, level;
    while (reader_.NextPeak(frequency, level)) frame.Add(frequency, level);
    frames_.push_back(std::move(frame));
  }

  static inline const PeakFrame kNone{};
  PeakRecordSource& reader_;
  std::deque<PeakFrame> frames_;  // frames first_, first_ + 1, ...
  PeakFrame spare_;               // the last frame dropped lends its memory to the next one
  int first_ = 0;
  bool ended_ = false;
};

}  // namespace

int AdjacentShiftFrames(std::string_view adjacentShift, int frameLength, int frameRate) {
  if (frameRate <= 0) return 0;
  const int64_t f = frameRate;
  int64_t r;
  if (adjacentShift == kAutomaticShift) {
    r = (frameLength - 11 * f) / (11 * f);
  } else {
    const int64_t v = ClampToInt32(LeadingInteger(adjacentShift));
    r = (v / 11) / f;
  }
  return r < 0 ? 0 : static_cast<int>(r);
}

void WritePersistentPeaks(const WorkFileHeader& header, PeakRecordSource& frames, int shift,
                          const std::function<void(std::string_view)>& write,
                          RunProgress* progress) {
  std::string out;
  AppendWorkFileHeader(out, header);
  const int64_t frameRate = header.FrameRate;
  for (int64_t j = 1; j <= shift; ++j) {
    AppendInteger(out, j * frameRate);
    out += ": end\n";
    if (out.size() >= kFlushBytes) write(out), out.clear();
  }

  ShiftWindow window(frames);
  PersistentPeakMatcher matcher;
  const int64_t loops = static_cast<int64_t>(header.LoopCount) - shift;
  for (int64_t i = 0; i < loops; ++i) {
    const int a = static_cast<int>(i), b = static_cast<int>(i + shift);
    window.Forget(a);
    const PeakFrame& later = window.At(b);
    matcher.AppendRecord(out, (i + shift + 1) * frameRate, window.At(a), later);
    if (out.size() >= kFlushBytes) write(out), out.clear();
    if (progress != nullptr) progress->Advance(i + 1, loops);
  }
  out += "end_of_file";
  write(out);
}

void LogPersistentPeaksDone(MessageLog& log) {
  log.AppendLog("");
  log.AppendLog("..Extracted peaks using proposed method 1");
  log.AppendLog("..Complete!");
}

int ProposedMethod1Pass(Session& session) {
  const std::string path = session.WorkPath(kPeakFileName);
  InputStream in = InputStream::OpenFile(path);
  if (!in.IsOpen()) {
    session.log.AppendLog("err: cannot open! PeakExtract.txt");
    return 1;
  }
  const WorkFileHeader header = ReadWorkFileHeader(in);
  in.Rewind();  // a failed rewind reads as a failed read
  PeakRecordReader reader(in);
  // With a second core the text is parsed there, while this thread matches and writes.
  std::unique_ptr<RecordReadAhead> ahead;
  if (WorkerPool::Resolve(session.analysisThreads) > 1) {
    ahead = std::make_unique<RecordReadAhead>(reader, in);
  }
  PeakRecordSource& frames = ahead ? static_cast<PeakRecordSource&>(*ahead) : reader;
  OutputFile file;
  if (!file.Open(path, OutputFile::Mode::kText, OutputFile::Replace::kQuickly)) {
    session.log.AppendLog("cannot open! PeakExtraction.txt");
    return 1;
  }
  const int shift = AdjacentShiftFrames(session.settings.AdjacentShift,
                                        session.settings.FrameLength, header.FrameRate);
  try {
    WritePersistentPeaks(
        header, frames, shift, [&](std::string_view text) { file.Write(text); }, &session.progress);
  } catch (const std::bad_alloc&) {
    session.log.AppendLog("err: 記憶領域が不足しています．");
    return 1;
  }
  // A read that fails anywhere in the file leaves it as the first pass wrote it.
  int32_t label;
  while (frames.NextRecord(label)) {
  }
  // The thread has read to the end: the stream's state is final.
  if (ahead) ahead->Stop();
  if (in.Failed()) {
    session.log.AppendLog(CannotReadLine(kPeakFileName, in.Error()));
    return 1;
  }
  if (!file.Commit()) {
    session.log.AppendLog("cannot open! PeakExtraction.txt");
    return 1;
  }
  LogPersistentPeaksDone(session.log);
  return 0;
}

}  // namespace tonvale
