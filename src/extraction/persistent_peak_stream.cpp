#include "extraction/persistent_peak_stream.h"

#include <algorithm>

#include "app/input_stream.h"
#include "app/numbers.h"
#include "app/output_file.h"
#include "dsp/worker_pool.h"
#include "extraction/peak_file.h"
#include "extraction/peak_file_writer.h"

namespace tonvale {
namespace {

// Records that wait for the end of a batch are made on the calling thread up to this many.
constexpr int64_t kRecordsPerItem = 64;
// The records go to the file in pieces of about this size.
constexpr size_t kWritePiece = 1 << 20;

}  // namespace

PersistentPeakStream::PersistentPeakStream(int shift, int frameRate, int64_t loopCount,
                                           std::string_view wavePath, const LevelRange& rangeSoFar,
                                           WorkerPool& pool, PeakFileWriter& file)
    : shift_(shift),
      frameRate_(frameRate),
      loopCount_(loopCount),
      wavePath_(wavePath),
      matching_(shift < loopCount),
      rangeSoFar_(rangeSoFar),
      pool_(pool),
      file_(file) {
  // The R empty records before the first frame that has one R frames earlier.
  static const PeakFrame kNone;
  for (int64_t m = 1; m <= shift_; ++m) {
    PersistentPeakMatcher().AppendRecord(records_, m * frameRate_, kNone, kNone);
    if (records_.size() >= kWritePiece) Spill();
  }
  // Once there is room for the header, the records that follow go straight to the file.
  if (headerRoom_ >= 0) Spill();
}

void PersistentPeakStream::StartBatch(int64_t first, int64_t last, size_t items) {
  batchFirst_ = first;
  batchLast_ = last;
  if (!matching_) return;
  // The batch's records compare its frames with those R earlier; older ones are done with.
  while (!frames_.empty() && firstFrame_ < first - shift_) {
    spare_.push_back(std::move(frames_.front()));
    frames_.pop_front();
    ++firstFrame_;
  }
  if (frames_.empty()) firstFrame_ = first;
  // Every frame of the batch gets its place now: the workers fill them at once.
  while (firstFrame_ + static_cast<int64_t>(frames_.size()) <= last) {
    if (spare_.empty()) {
      frames_.emplace_back();
    } else {
      frames_.push_back(std::move(spare_.back()));
      spare_.pop_back();
    }
  }
  if (items_.size() < items) items_.resize(items);
  for (size_t item = 0; item < items; ++item) {
    items_[item].first = 0;
    items_[item].before.clear();
    items_[item].after.clear();
  }
  itemCount_ = items;
}

void PersistentPeakStream::Frame(size_t item, int64_t frame, int64_t,
                                 std::span<const PickedPeak> peaks) {
  if (!matching_) return;
  PeakFrame& out = At(frame);
  out.clear();
  // The values the rewriting pass parsed back from the first pass's "%0.2f" text.
  for (const PickedPeak& peak : peaks) {
    out.Add(ReadBackFixed2(peak.frequency), ReadBackFixed2(peak.level));
  }
  // Frame m > R has the record labelled m F, comparing it with frame m - R. It is made here
  // when that frame is already in: in an earlier batch or earlier in this item. Otherwise it
  // lies in an item that may still be running, and the record waits for EndBatch. In frame
  // order the three kinds come one after the other.
  Item& work = items_[item];
  if (work.first == 0) work.first = frame;
  work.last = frame;
  const int64_t earlier = frame - shift_;
  if (earlier >= 1 && earlier < batchFirst_) {
    work.matcher.AppendRecord(work.before, frame * frameRate_, At(earlier), out);
  } else if (earlier >= work.first) {
    work.matcher.AppendRecord(work.after, frame * frameRate_, At(earlier), out);
  }
}

void PersistentPeakStream::EndBatch() {
  if (!matching_) return;
  // The records left waiting: those of an item's first R frames whose frame R earlier lies in
  // an earlier item of this batch.
  size_t waiting = 0;
  for (size_t item = 0; item < itemCount_; ++item) {
    Item& work = items_[item];
    work.waitingFrom = std::max(work.first, batchFirst_ + shift_);
    work.waitingTo = work.first > 0 ? std::min(work.last, work.first + shift_ - 1) : -1;
    work.waiting.clear();
    if (work.first > 0 && work.waitingFrom <= work.waitingTo) {
      waiting += static_cast<size_t>(work.waitingTo - work.waitingFrom + 1);
    }
  }
  auto makeWaiting = [&](size_t item, PersistentPeakMatcher& matcher) {
    Item& work = items_[item];
    for (int64_t m = work.waitingFrom; m <= work.waitingTo; ++m) {
      matcher.AppendRecord(work.waiting, m * frameRate_, At(m - shift_), At(m));
    }
  };
  // A few records cost less than handing them out.
  if (waiting <= static_cast<size_t>(kRecordsPerItem)) {
    for (size_t item = 0; item < itemCount_; ++item) makeWaiting(item, items_[item].matcher);
  } else {
    pool_.Run(itemCount_, [&](size_t item, unsigned) { makeWaiting(item, items_[item].matcher); });
  }
  for (size_t item = 0; item < itemCount_; ++item) {
    const Item& work = items_[item];
    for (const std::string* piece : {&work.before, &work.waiting, &work.after}) {
      if (headerRoom_ < 0) {
        records_ += *piece;
      } else {
        file_.Write(*piece);
      }
    }
  }
  if (records_.size() >= kWritePiece) Spill();
}

std::string PersistentPeakStream::Header(const LevelRange& range) const {
  // The rewriting pass reads the first pass's header, bytes and all, and writes it anew.
  std::string first = PeakFileWriter::HeaderText(frameRate_, loopCount_, wavePath_);
  const std::string levels = PeakFileWriter::LevelsText(range.MaxdB, range.MindB);
  first.replace(0, levels.size(), levels);
  std::string bytes;
  AppendWithCrLf(bytes, first);
  InputStream in(bytes);
  std::string header;
  AppendWorkFileHeader(header, ReadWorkFileHeader(in));
  return header;
}

void PersistentPeakStream::Spill() {
  if (headerRoom_ < 0) {
    std::string room;
    AppendWithCrLf(room, Header(rangeSoFar_));
    headerRoom_ = static_cast<int64_t>(room.size());
    file_.Write(std::string(room.size(), ' '));
  }
  file_.Write(records_);
  // Later records go straight to the file: the memory is not needed again.
  std::string().swap(records_);
}

bool PersistentPeakStream::Finish(const LevelRange& range) {
  const std::string header = Header(range);
  bool placed = true;
  if (headerRoom_ < 0) {
    file_.Write(header);
    file_.Write(records_);
  } else {
    file_.Write(records_);
    std::string bytes;
    AppendWithCrLf(bytes, header);
    placed = file_.ReplaceHead(headerRoom_, bytes);
  }
  std::string().swap(records_);
  file_.Write("end_of_file");
  return file_.KeepPartial() && placed;
}

}  // namespace tonvale
