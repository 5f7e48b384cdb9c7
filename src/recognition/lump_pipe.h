#pragma once

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <exception>
#include <functional>
#include <memory>
#include <mutex>
#include <span>
#include <thread>
#include <vector>

namespace tonvale {

// Lumps handed from the thread that makes them to a consumer on a thread of its own, a batch at
// a time and in order, so that making lumps and what follows them (joining, formatting,
// writing) run side by side on two cores. A few batches wait at most, so memory stays bounded
// however long the recording.
class LumpPipe {
 public:
  // Gives the next lump, its label and points (Hz, dB), which stay valid until the next call;
  // false after the last.
  using Source = std::function<bool(int64_t& label, std::span<const float>& frequencies,
                                    std::span<const float>& levels)>;
  using Consumer = std::function<void(const Source& next)>;

  // Starts `consumer` on a thread of its own. Whatever it touches is the thread's until
  // Finish() returns. Lumps added after it has returned are dropped.
  explicit LumpPipe(Consumer consumer);
  // Ends the lumps and waits for the consumer; what it threw is dropped (call Finish first).
  ~LumpPipe();
  LumpPipe(const LumpPipe&) = delete;
  LumpPipe& operator=(const LumpPipe&) = delete;

  // The next lump. Throws again what the consumer threw (memory running out), once: Add or
  // Finish.
  void Add(int64_t label, std::span<const float> frequencies, std::span<const float> levels);
  // No more lumps: returns once the consumer has; throws again what it threw, unless Add did.
  void Finish();

 private:
  struct Batch {
    std::vector<int64_t> labels;
    std::vector<size_t> starts = {0};  // lump k holds points starts[k] .. starts[k + 1] - 1
    std::vector<float> frequencies;
    std::vector<float> levels;
    void clear();
  };

  void HandOver();
  void Close();
  void Run(const Consumer& consumer);
  // The next batch for the consumer, after giving back the one it took before; null at the end.
  std::unique_ptr<Batch> Take(std::unique_ptr<Batch> done);

  std::unique_ptr<Batch> filling_;  // the lumps not yet handed over

  std::mutex mutex_;
  std::condition_variable ready_;  // a batch was queued, or no more will be
  std::condition_variable room_;   // a batch was taken, or the consumer returned
  std::deque<std::unique_ptr<Batch>> queued_;
  std::vector<std::unique_ptr<Batch>> spare_;
  std::exception_ptr failure_;  // thrown by the consumer
  bool closed_ = false;         // no more batches will come
  bool returned_ = false;       // the consumer has returned
  std::thread thread_;
};

}  // namespace tonvale
