#include "recognition/lump_pipe.h"

#include <utility>

namespace tonvale {
namespace {

// A batch is some tens of kilobytes; a few of them wait at most.
constexpr size_t kBatchPoints = 8192;
constexpr size_t kQueuedBatches = 4;

}  // namespace

void LumpPipe::Batch::clear() {
  labels.clear();
  starts.assign(1, 0);
  frequencies.clear();
  levels.clear();
}

LumpPipe::LumpPipe(Consumer consumer) : filling_(std::make_unique<Batch>()) {
  thread_ = std::thread([this, consumer = std::move(consumer)] { Run(consumer); });
}

LumpPipe::~LumpPipe() {
  Close();
}

void LumpPipe::Add(int64_t label, std::span<const float> frequencies,
                   std::span<const float> levels) {
  Batch& batch = *filling_;
  batch.labels.push_back(label);
  batch.frequencies.insert(batch.frequencies.end(), frequencies.begin(), frequencies.end());
  batch.levels.insert(batch.levels.end(), levels.begin(), levels.end());
  batch.starts.push_back(batch.frequencies.size());
  if (batch.frequencies.size() >= kBatchPoints) HandOver();
}

void LumpPipe::HandOver() {
  std::unique_lock<std::mutex> lock(mutex_);
  room_.wait(lock, [&] { return queued_.size() < kQueuedBatches || returned_; });
  if (failure_) std::rethrow_exception(std::exchange(failure_, nullptr));
  if (returned_) {
    filling_->clear();
    return;
  }
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

void LumpPipe::Close() {
  if (!thread_.joinable()) return;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    closed_ = true;
  }
  ready_.notify_one();
  thread_.join();
}

void LumpPipe::Finish() {
  if (!filling_->labels.empty()) HandOver();
  Close();
  if (failure_) std::rethrow_exception(std::exchange(failure_, nullptr));
}

std::unique_ptr<LumpPipe::Batch> LumpPipe::Take(std::unique_ptr<Batch> done) {
  std::unique_ptr<Batch> batch;
  {
    std::unique_lock<std::mutex> lock(mutex_);
    if (done) spare_.push_back(std::move(done));
    ready_.wait(lock, [&] { return !queued_.empty() || closed_; });
    if (queued_.empty()) return nullptr;
    batch = std::move(queued_.front());
    queued_.pop_front();
  }
  room_.notify_one();
  return batch;
}

void LumpPipe::Run(const Consumer& consumer) {
  std::unique_ptr<Batch> batch;
  size_t next = 0;  // the batch's next lump
  const Source source = [&](int64_t& label, std::span<const float>& frequencies,
                            std::span<const float>& levels) {
    while (!batch || next == batch->labels.size()) {
      batch = Take(std::move(batch));
      next = 0;
      if (!batch) return false;
    }
    const size_t from = batch->starts[next];
    const size_t count = batch->starts[next + 1] - from;
    label = batch->labels[next++];
    frequencies = std::span<const float>(batch->frequencies).subspan(from, count);
    levels = std::span<const float>(batch->levels).subspan(from, count);
    return true;
  };
  std::exception_ptr failure;
  try {
    consumer(source);
  } catch (...) {
    failure = std::current_exception();
  }
  {
    std::lock_guard<std::mutex> lock(mutex_);
    failure_ = failure;
    returned_ = true;
  }
  room_.notify_one();
}

}  // namespace tonvale
