#include "extraction/record_read_ahead.h"

#include <utility>

namespace tonvale {
namespace {

// A batch is a few tens of kilobytes of text: large enough that handing it over costs little
// next to parsing it, small enough that the stage starts soon and little memory is held.
constexpr size_t kBatchRecords = 128;
constexpr size_t kBatchPeaks = 8192;
constexpr size_t kQueuedBatches = 4;

}  // namespace

RecordReadAhead::RecordReadAhead(PeakRecordReader& reader, const InputStream& in)
    : reader_(reader), in_(in), offset_(in.Offset()) {
  thread_ = std::thread([this] { Produce(); });
}

RecordReadAhead::~RecordReadAhead() {
  Stop();
}

void RecordReadAhead::Stop() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    stopping_ = true;
  }
  room_.notify_all();
  if (thread_.joinable()) thread_.join();
}

bool RecordReadAhead::FillBatch(Batch& batch) {
  batch.records.clear();
  batch.ends.clear();
  batch.last = false;
  int32_t label;
  float frequency, level;
  size_t peaks = 0;
  while (batch.ends.size() < kBatchRecords && peaks < kBatchPeaks) {
    if (!reader_.NextRecord(label)) {
      batch.last = true;
      break;
    }
    batch.records.AddRecord(label);
    while (reader_.NextPeak(frequency, level)) batch.records.AddPeak(frequency, level);
    peaks += static_cast<size_t>(batch.records.Count(batch.records.size() - 1));
    batch.ends.push_back(in_.Offset());
  }
  return !batch.last;
}

void RecordReadAhead::Produce() {
  try {
    for (;;) {
      std::unique_ptr<Batch> batch;
      {
        std::unique_lock<std::mutex> lock(mutex_);
        room_.wait(lock, [&] { return stopping_ || queued_.size() < kQueuedBatches; });
        if (stopping_) return;
        if (!spare_.empty()) {
          batch = std::move(spare_.back());
          spare_.pop_back();
        }
      }
      if (!batch) batch = std::make_unique<Batch>();
      const bool more = FillBatch(*batch);
      {
        std::lock_guard<std::mutex> lock(mutex_);
        queued_.push_back(std::move(batch));
      }
      ready_.notify_one();
      if (!more) return;
    }
  } catch (...) {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      failure_ = std::current_exception();
    }
    ready_.notify_one();
  }
}

void RecordReadAhead::TakeBatch() {
  std::unique_lock<std::mutex> lock(mutex_);
  if (current_) spare_.push_back(std::move(current_));
  ready_.wait(lock, [&] { return !queued_.empty() || failure_; });
  if (queued_.empty()) std::rethrow_exception(failure_);
  current_ = std::move(queued_.front());
  queued_.pop_front();
  lock.unlock();
  room_.notify_one();
  record_ = 0;
}

void RecordReadAhead::EndRecord() {
  offset_ = current_->ends[static_cast<size_t>(record_)];
  inRecord_ = false;
}

bool RecordReadAhead::NextRecord(int32_t& label) {
  if (inRecord_) EndRecord();
  if (ended_) return false;
  ++record_;
  while (!current_ || record_ >= current_->records.size()) {
    if (current_ && current_->last) {
      ended_ = true;
      return false;
    }
    TakeBatch();
  }
  label = current_->records.Label(record_);
  peak_ = 0;
  inRecord_ = true;
  return true;
}

bool RecordReadAhead::NextPeak(float& frequency, float& level) {
  if (!inRecord_) return false;
  if (peak_ < current_->records.Count(record_)) {
    const auto at = static_cast<size_t>(peak_++);
    frequency = current_->records.Frequencies(record_)[at];
    level = current_->records.Levels(record_)[at];
    return true;
  }
  EndRecord();
  return false;
}

}  // namespace tonvale
