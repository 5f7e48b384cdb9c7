#pragma once

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <exception>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace tonvale {

class RecordingSource;
class StreamingDownSampler;

// The analysis signal made on a thread of its own, a few runs ahead of the frames that take
// it: the recording read to its end, its first `length` samples brought to the analysis rate
// through `down` (when given, else taken as they are). Reading and filtering then run beside
// the frame analysis instead of between its batches. The runs are exactly what the same steps
// on one thread give; at most a few of them are held.
class SignalAhead {
 public:
  // Starts the thread. `source` and `down` are the thread's until Stop() has returned; `down`
  // must not share a worker pool with the caller.
  SignalAhead(RecordingSource& source, StreamingDownSampler* down, size_t length);
  ~SignalAhead();
  SignalAhead(const SignalAhead&) = delete;
  SignalAhead& operator=(const SignalAhead&) = delete;

  enum class Got { kRun, kEnd, kFailed };
  // The next run of the analysis signal into `run`, with the recording's samples read so far
  // (for progress) in `read`. kEnd after the last run (the down-sampler's tail included);
  // kFailed when the recording could not be read on (the source has said why in the log).
  // Throws again what the thread threw (memory running out). Not to be called again after
  // kEnd or kFailed.
  Got Next(std::vector<double>& run, int64_t& read);

  // Stops the thread, at once if the runs are not all taken, and waits for it.
  void Stop();

 private:
  struct Item {
    std::vector<double> run;
    int64_t read = 0;
    Got got = Got::kRun;
  };

  void Produce();
  // Hands `item` over, waiting for room; false once Stop() has been called.
  bool Put(std::unique_ptr<Item> item);
  std::unique_ptr<Item> Spare();

  RecordingSource& source_;
  StreamingDownSampler* down_;
  const size_t length_;

  std::mutex mutex_;
  std::condition_variable ready_;  // an item was queued
  std::condition_variable room_;   // an item was taken, or Stop() was called
  std::deque<std::unique_ptr<Item>> queued_;
  std::vector<std::unique_ptr<Item>> spare_;
  std::exception_ptr failure_;
  bool stopping_ = false;
  std::thread thread_;
};

}  // namespace tonvale
