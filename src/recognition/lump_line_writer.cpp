#include "recognition/lump_line_writer.h"

#include <utility>

#include "extraction/peak_file.h"

namespace tonvale {
namespace {

constexpr size_t kWriteBytes = 1 << 20;
// A batch is some tens of kilobytes of text; a few of them wait at most.
constexpr size_t kBatchPoints = 8192;
constexpr size_t kQueuedBatches = 4;

}  // namespace

void LumpLineWriter::Batch::clear() {
  files.clear();
  labels.clear();
  starts.assign(1, 0);
  frequencies.clear();
  levels.clear();
}

LumpLineWriter::LumpLineWriter(std::vector<File> files, bool threaded) : files_(std::move(files)) {
  if (!threaded) return;
  filling_ = std::make_unique<Batch>();
  thread_ = std::thread([this] { Run(); });
}

LumpLineWriter::~LumpLineWriter() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    finishing_ = true;
  }
  ready_.notify_one();
  if (thread_.joinable()) thread_.join();
}

void LumpLineWriter::Format(size_t file, int64_t label, std::span<const float> frequencies,
                            std::span<const float> levels) {
  std::string& text = *files_[file].text;
  AppendPeakRecord(text, label, frequencies, levels);
  if (text.size() > kWriteBytes) {
    files_[file].output->Write(text);
    text.clear();
  }
}

void LumpLineWriter::FormatBatch(const Batch& batch) {
  for (size_t k = 0; k < batch.labels.size(); ++k) {
    const size_t from = batch.starts[k];
    const size_t count = batch.starts[k + 1] - from;
    Format(batch.files[k], batch.labels[k], std::span(batch.frequencies).subspan(from, count),
           std::span(batch.levels).subspan(from, count));
  }
}

void LumpLineWriter::Add(size_t file, int64_t label, std::span<const float> frequencies,
                         std::span<const float> levels) {
  if (!thread_.joinable()) {
    Format(file, label, frequencies, levels);
    return;
  }
  Batch& batch = *filling_;
  batch.files.push_back(file);
  batch.labels.push_back(label);
  batch.frequencies.insert(batch.frequencies.end(), frequencies.begin(), frequencies.end());
  batch.levels.insert(batch.levels.end(), levels.begin(), levels.end());
  batch.starts.push_back(batch.frequencies.size());
  if (batch.frequencies.size() >= kBatchPoints) HandOver();
}

void LumpLineWriter::HandOver() {
  std::unique_lock<std::mutex> lock(mutex_);
  room_.wait(lock, [&] { return queued_.size() < kQueuedBatches || failure_; });
  if (failure_) std::rethrow_exception(failure_);
  queued_.push_back(std::move(filling_));
  if (!spare_.empty()) {
    filling_ = std::move(spare_.back());
    spare_.pop_back();
  }
  lock.unlock();
  ready_.notify_one();
  if (!filling_) filling_ = std::make_unique<Batch>();
  filling_->clear();
}

void LumpLineWriter::Run() {
  try {
    for (;;) {
      std::unique_ptr<Batch> batch;
      {
        std::unique_lock<std::mutex> lock(mutex_);
        ready_.wait(lock, [&] { return !queued_.empty() || finishing_; });
        if (queued_.empty()) return;
        batch = std::move(queued_.front());
        queued_.pop_front();
      }
      FormatBatch(*batch);
      {
        std::lock_guard<std::mutex> lock(mutex_);
        spare_.push_back(std::move(batch));
      }
      room_.notify_one();
    }
  } catch (...) {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      failure_ = std::current_exception();
    }
    room_.notify_one();
  }
}

void LumpLineWriter::Finish() {
  if (!thread_.joinable()) return;
  if (!filling_->labels.empty()) HandOver();
  {
    std::lock_guard<std::mutex> lock(mutex_);
    finishing_ = true;
  }
  ready_.notify_one();
  thread_.join();
  if (failure_) std::rethrow_exception(failure_);
}

}  // namespace tonvale
