#include "dsp/worker_pool.h"

#include <algorithm>
#include <utility>

namespace tonvale {

unsigned WorkerPool::Resolve(unsigned threads) {
  if (threads != 0) return threads;
  return std::max(1u, std::thread::hardware_concurrency());
}

WorkerPool::WorkerPool(unsigned threads) : size_(Resolve(threads)) {
  threads_.reserve(size_ - 1);
  for (unsigned w = 1; w < size_; ++w) threads_.emplace_back([this, w] { Work(w); });
}

WorkerPool::~WorkerPool() {
  {
    std::lock_guard lock(mutex_);
    stopping_ = true;
  }
  wake_.notify_all();
  for (std::thread& t : threads_) t.join();
}

void WorkerPool::Run(size_t count, const std::function<void(size_t, unsigned)>& task) {
  if (count == 0) return;
  if (size_ == 1 || count == 1) {
    std::exception_ptr failure;
    for (size_t i = 0; i < count; ++i) {
      try {
        task(i, 0);
      } catch (...) {
        if (!failure) failure = std::current_exception();
      }
    }
    if (failure) std::rethrow_exception(failure);
    return;
  }
  {
    std::lock_guard lock(mutex_);
    task_ = &task;
    failure_ = nullptr;
    count_ = count;
    next_ = 0;
    finished_ = 0;
    ++generation_;
  }
  wake_.notify_all();
  Drain(0);
  std::unique_lock lock(mutex_);
  done_.wait(lock, [this] { return finished_ == count_; });
  task_ = nullptr;
  if (failure_) std::rethrow_exception(std::exchange(failure_, nullptr));
}

// Items are handed out one at a time under the lock: a task's items are few and large (a block
// of the filter, a batch of frames), so the lock is never the bottleneck.
void WorkerPool::Drain(unsigned worker) {
  std::unique_lock lock(mutex_);
  while (task_ != nullptr && next_ < count_) {
    const size_t item = next_++;
    const auto* task = task_;
    lock.unlock();
    std::exception_ptr failure;
    try {
      (*task)(item, worker);
    } catch (...) {
      failure = std::current_exception();
    }
    lock.lock();
    if (failure && !failure_) failure_ = failure;
    if (++finished_ == count_) done_.notify_all();
  }
}

void WorkerPool::Work(unsigned worker) {
  unsigned seen = 0;
  for (;;) {
    {
      std::unique_lock lock(mutex_);
      wake_.wait(lock, [&] { return stopping_ || generation_ != seen; });
      if (stopping_) return;
      seen = generation_;
    }
    Drain(worker);
  }
}

}  // namespace tonvale
