#pragma once

#include <condition_variable>
#include <cstddef>
#include <exception>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

namespace tonvale {

// A fixed set of threads that share out the items of one task at a time. The calling thread is
// worker 0 and takes part, so a pool of one thread runs everything on the caller with no
// threads of its own. Each item is run exactly once; which worker runs it varies, so the work
// of an item must depend on its index alone (per-worker scratch is fine).
class WorkerPool {
 public:
  // `threads` workers in all; 0 means one per core.
  explicit WorkerPool(unsigned threads = 0);
  ~WorkerPool();
  WorkerPool(const WorkerPool&) = delete;
  WorkerPool& operator=(const WorkerPool&) = delete;

  unsigned size() const { return size_; }

  // Runs task(item, worker) for item = 0 .. count - 1, worker < size(), and returns when all
  // are done. An exception that an item throws (memory running out) is thrown again here once
  // the others are done. Not reentrant: one task at a time.
  void Run(size_t count, const std::function<void(size_t item, unsigned worker)>& task);

  // The number of workers that `threads` (0: one per core) gives on this machine.
  static unsigned Resolve(unsigned threads);

 private:
  void Work(unsigned worker);
  void Drain(unsigned worker);

  unsigned size_ = 1;
  std::vector<std::thread> threads_;
  std::mutex mutex_;
  std::condition_variable wake_, done_;
  const std::function<void(size_t, unsigned)>* task_ = nullptr;
  size_t count_ = 0;
  size_t next_ = 0;      // the next item to hand out
  size_t finished_ = 0;  // items run so far
  std::exception_ptr failure_;
  unsigned generation_ = 0;
  bool stopping_ = false;
};

}  // namespace tonvale
