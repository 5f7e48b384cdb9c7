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

// Records per item of work: a batch holds a few hundred frames at most, and small items share
// it out evenly.
constexpr int64_t kRecordsPerItem = 16;
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
      file_(file),
      matchers_(pool.size()) {
  // The R empty records before the first frame that has one R frames earlier.
  static const PeakFrame kNone;
  for (int64_t m = 1; m <= shift_; ++m) {
    matchers_[0].AppendRecord(records_, m * frameRate_, kNone, kNone);
    if (records_.size() >= kWritePiece) Spill();
  }
  // Once there is room for the header, the records that follow go straight to the file.
  if (headerRoom_ >= 0) Spill();
}

void PersistentPeakStream::StartBatch(int64_t first, int64_t last, size_t) {
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
}

void PersistentPeakStream::Frame(size_t, int64_t frame, int64_t,
                                 std::span<const PickedPeak> peaks) {
  if (!matching_) return;
  PeakFrame& out = At(frame);
  out.clear();
  // The values the rewriting pass parsed back from the first pass's "%0.2f" text.
  for (const PickedPeak& peak : peaks) {
    out.Add(ReadBackFixed2(peak.frequency), ReadBackFixed2(peak.level));
  }
}

void PersistentPeakStream::EndBatch() {
  if (!matching_) return;
  // Frame m > R has the record labelled m F, comparing it with frame m - R.
  const int64_t from = std::max(batchFirst_, static_cast<int64_t>(shift_) + 1);
  if (from > batchLast_) return;
  const int64_t count = batchLast_ - from + 1;
  const size_t items = static_cast<size_t>((count + kRecordsPerItem - 1) / kRecordsPerItem);
  if (pieces_.size() < items) pieces_.resize(items);
  pool_.Run(items, [&](size_t item, unsigned worker) {
    std::string& out = pieces_[item];
    out.clear();
    const int64_t first = from + static_cast<int64_t>(item) * kRecordsPerItem;
    const int64_t last = std::min(batchLast_, first + kRecordsPerItem - 1);
    for (int64_t m = first; m <= last; ++m) {
      matchers_[worker].AppendRecord(out, m * frameRate_, At(m - shift_), At(m));
    }
  });
  for (size_t item = 0; item < items; ++item) {
    if (headerRoom_ < 0) {
      records_ += pieces_[item];
    } else {
      file_.Write(pieces_[item]);
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
