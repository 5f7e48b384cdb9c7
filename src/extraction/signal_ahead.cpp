#include "extraction/signal_ahead.h"

#include <algorithm>
#include <span>
#include <utility>

#include "dsp/down_sample.h"
#include "extraction/recording_source.h"

namespace tonvale {
namespace {

// A block of the recording: at 44.1 kHz, 65,536 samples of analysis signal, some 600 frames,
// so that the frames are shared out in batches large enough to keep both cores busy.
constexpr size_t kBlockSamples = size_t{1} << 18;
// The first blocks are smaller, doubling up to kBlockSamples: the frames wait for the first
// run, and the first full block would keep them waiting some 10 ms.
constexpr size_t kFirstBlockSamples = size_t{1} << 14;
// Runs that wait at most: enough to ride out a slow read, little memory.
constexpr size_t kQueuedRuns = 4;

}  // namespace

SignalAhead::SignalAhead(RecordingSource& source, StreamingDownSampler* down, size_t length)
    : source_(source), down_(down), length_(length) {
  thread_ = std::thread([this] { Produce(); });
}

SignalAhead::~SignalAhead() {
  Stop();
}

void SignalAhead::Stop() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    stopping_ = true;
  }
  room_.notify_all();
  if (thread_.joinable()) thread_.join();
}

std::unique_ptr<SignalAhead::Item> SignalAhead::Spare() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    if (!spare_.empty()) {
      std::unique_ptr<Item> item = std::move(spare_.back());
      spare_.pop_back();
      item->run.clear();
      item->got = Got::kRun;
      return item;
    }
  }
  return std::make_unique<Item>();
}

bool SignalAhead::Put(std::unique_ptr<Item> item) {
  {
    std::unique_lock<std::mutex> lock(mutex_);
    room_.wait(lock, [&] { return stopping_ || queued_.size() < kQueuedRuns; });
    if (stopping_) return false;
    queued_.push_back(std::move(item));
  }
  ready_.notify_one();
  return true;
}

void SignalAhead::Produce() {
  try {
    std::vector<double> block(kBlockSamples);
    size_t size = kFirstBlockSamples;
    size_t taken = 0;
    int64_t read = 0;
    for (;; size = std::min(2 * size, kBlockSamples)) {
      std::unique_ptr<Item> item = Spare();
      const int64_t got = source_.Read(std::span<double>(block).first(size));
      if (got <= 0) {
        item->got = got < 0 ? Got::kFailed : Got::kEnd;
        if (got == 0 && down_ != nullptr) down_->Finish(item->run);
        item->read = read;
        Put(std::move(item));
        break;
      }
      read += got;
      const auto run = std::span<const double>(block).first(
          std::min(static_cast<size_t>(got), length_ - std::min(length_, taken)));
      taken += run.size();
      if (down_ != nullptr) {
        down_->Add(run, item->run);
      } else {
        item->run.assign(run.begin(), run.end());
      }
      item->read = read;
      if (!Put(std::move(item))) break;
    }
  } catch (...) {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      failure_ = std::current_exception();
    }
    ready_.notify_one();
  }
}

SignalAhead::Got SignalAhead::Next(std::vector<double>& run, int64_t& read) {
  std::unique_ptr<Item> item;
  {
    std::unique_lock<std::mutex> lock(mutex_);
    ready_.wait(lock, [&] { return !queued_.empty() || failure_; });
    if (queued_.empty()) std::rethrow_exception(failure_);
    item = std::move(queued_.front());
    queued_.pop_front();
  }
  room_.notify_one();
  run.swap(item->run);
  read = item->read;
  const Got got = item->got;
  std::lock_guard<std::mutex> lock(mutex_);
  spare_.push_back(std::move(item));
  return got;
}

}  // namespace tonvale
