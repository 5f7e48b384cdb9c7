#pragma once

#include <atomic>
#include <cstdint>

namespace tonvale {

// How a long stage says how far it has come, and how it learns that the user wants it to stop.
// The process commands name the process under way; the stage itself only counts its blocks of
// work (frames, records, lumps) with Advance, once per block, from whatever thread runs it.
// Front ends watch through an Observer: the window draws a progress bar, the command line a
// status line. Reports reach the observer only when the whole percentage changes, so a stage
// may call Advance as often as it likes.
class RunProgress {
 public:
  class Observer {
   public:
    virtual ~Observer() = default;
    // `process` 1 to 4; `percent` 0 to 100. Called on the thread that runs the stage.
    virtual void OnProgress(int process, int percent) = 0;
  };

  RunProgress() = default;
  RunProgress(const RunProgress&) = delete;
  RunProgress& operator=(const RunProgress&) = delete;

  // Set before a run starts, never during one. Null: nobody watches.
  void SetObserver(Observer* observer) { observer_ = observer; }

  // A process starts: reports it at 0 %, and the whole of it is the span for Advance.
  void BeginProcess(int process);
  // A stage made of passes gives each pass its share of the process, as fractions of it; a
  // following Advance counts within that share.
  void SetSpan(double from, double to);
  // `done` of `total` blocks of the current span are finished. False once the run is
  // cancelled: the stage then stops, leaves every earlier file as it was and returns 1 without
  // an error line of its own (the command says that the run was cancelled).
  bool Advance(int64_t done, int64_t total);

  // Asks the run to stop at the next Advance. Safe from any thread.
  void Cancel() { cancelled_.store(true, std::memory_order_relaxed); }
  bool Cancelled() const { return cancelled_.load(std::memory_order_relaxed); }

  int Process() const { return process_; }

 private:
  void Report(int percent);

  Observer* observer_ = nullptr;
  std::atomic<bool> cancelled_{false};
  int process_ = 0;
  int percent_ = -1;
  double spanFrom_ = 0.0;
  double spanTo_ = 1.0;
};

}  // namespace tonvale
