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
#include "dsp/pitch.h"
#include "dsp/worker_pool.h"
#include "extraction/peak_file.h"
#include "extraction/record_read_ahead.h"
#include "extraction/work_file.h"

namespace tonvale {
namespace {

// Semitone numbers lie within +-328 (16-bit cents / 100); this one stands for "none".
constexpr int16_t kNoSemitone = INT16_MIN;
constexpr size_t kFlushBytes = 1 << 16;

// The frames of the peak file from the one being rewritten to the one R later, with every
// peak's semitone worked out once as the frame is read. Frames beyond the file are empty.
class ShiftWindow {
 public:
  struct Frame {
    std::vector<float> frequencies;
    std::vector<float> levels;
    std::vector<int16_t> semitones;
  };

  explicit ShiftWindow(PeakRecordSource& reader) : reader_(reader) {}

  const Frame& At(int frame) {
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
    Frame frame = std::move(spare_);
    frame.frequencies.clear();
    frame.levels.clear();
    frame.semitones.clear();
    float frequency, level;
    while (reader_.NextPeak(frequency, level)) {
      frame.frequencies.push_back(frequency);
      frame.levels.push_back(level);
      PitchAboveC1 pitch;
      frame.semitones.push_back(PitchOf(frequency, pitch) ? pitch.semitone : kNoSemitone);
    }
    frames_.push_back(std::move(frame));
  }

  static inline const Frame kNone{};
  PeakRecordSource& reader_;
  std::deque<Frame> frames_;  // frames first_, first_ + 1, ...
  Frame spare_;               // the last frame dropped lends its memory to the next one
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

  // Peaks of the later frame grouped by semitone: order[] lists the indices of the peaks with a
  // semitone, by semitone and within one semitone by index, and keys[] their semitones. The
  // peaks of a frame come in rising frequency, so the list is nearly always sorted as read.
  std::vector<int16_t> keys;
  std::vector<int> order;
  const int64_t loops = static_cast<int64_t>(header.LoopCount) - shift;
  for (int64_t i = 0; i < loops; ++i) {
    AppendInteger(out, (i + shift + 1) * frameRate);
    out += ": ";
    const int a = static_cast<int>(i), b = static_cast<int>(i + shift);
    window.Forget(a);
    const ShiftWindow::Frame& frameB = window.At(b);
    const ShiftWindow::Frame& frameA = window.At(a);
    const std::vector<float>& freqA = frameA.frequencies;
    const std::vector<float>& levelA = frameA.levels;
    const std::vector<float>& levelB = frameB.levels;
    if (!freqA.empty() && !levelB.empty()) {
      const int16_t* semiA = frameA.semitones.data();
      const int16_t* semiB = frameB.semitones.data();
      keys.clear();
      order.clear();
      for (size_t q = 0; q < levelB.size(); ++q) {
        if (semiB[q] != kNoSemitone) {
          keys.push_back(semiB[q]);
          order.push_back(static_cast<int>(q));
        }
      }
      if (!std::is_sorted(keys.begin(), keys.end())) {
        // A stable sort keeps the peaks of one semitone in index order.
        std::stable_sort(order.begin(), order.end(),
                         [&](int x, int y) { return semiB[x] < semiB[y]; });
        for (size_t o = 0; o < order.size(); ++o) keys[o] = semiB[order[o]];
      }
      // The semitones of the earlier frame mostly rise too: the search goes on from the last
      // one's place, and starts again when a semitone is lower than the one before.
      size_t first = 0;
      for (size_t p = 0; p < freqA.size(); ++p) {
        const int16_t semitone = semiA[p];
        if (semitone == kNoSemitone) continue;
        if (first > 0 && keys[first - 1] >= semitone) first = 0;
        while (first < keys.size() && keys[first] < semitone) ++first;
        // A peak is written once for every match: its text is made at the first.
        char text[kPeakPairRoom];
        size_t length = 0;
        for (size_t o = first; o < keys.size() && keys[o] == semitone; ++o) {
          // The gap in whole decibels, truncated toward zero, is below 10.
          const float gap = levelA[p] - levelB[static_cast<size_t>(order[o])];
          if (gap < 10.0f && gap > -10.0f) {
            if (length == 0) length = WritePeakPair(text, freqA[p], levelA[p]);
            out.append(text, length);
          }
        }
      }
    }
    out += "end\n";
    if (out.size() >= kFlushBytes) write(out), out.clear();
    if (progress != nullptr) progress->Advance(i + 1, loops);
  }
  out += "end_of_file";
  write(out);
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
  if (!file.Open(path, OutputFile::Mode::kText)) {
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
  session.log.AppendLog("");
  session.log.AppendLog("..Extracted peaks using proposed method 1");
  session.log.AppendLog("..Complete!");
  return 0;
}

}  // namespace tonvale
