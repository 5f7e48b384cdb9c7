#pragma once

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <exception>
#include <memory>
#include <mutex>
#include <span>
#include <string>
#include <thread>
#include <vector>

#include "app/output_file.h"

namespace tonvale {

// Lump lines for one or more files, formatted and written by a thread of their own when a
// second core is there, so that the stage that makes the lumps does not wait for the text.
// Each file gets the lines in the order they were added, as AppendPeakRecord formats them.
class LumpLineWriter {
 public:
  // A file: its text so far (the lines go on it, and it is written out whenever it holds more
  // than a megabyte) and the output it is written to. Neither may be touched until Finish().
  struct File {
    std::string* text;
    OutputFile* output;
  };

  // `threaded`: format on a thread of its own; otherwise each line is formatted as it is added.
  LumpLineWriter(std::vector<File> files, bool threaded);
  ~LumpLineWriter();
  LumpLineWriter(const LumpLineWriter&) = delete;
  LumpLineWriter& operator=(const LumpLineWriter&) = delete;

  // A lump line for file `file`: the label, then (Hz, dB) pairs.
  void Add(size_t file, int64_t label, std::span<const float> frequencies,
           std::span<const float> levels);

  // Returns once every line added is on its file's text or written; the texts and outputs are
  // then the caller's again.
  void Finish();

 private:
  struct Batch {
    std::vector<size_t> files;
    std::vector<int64_t> labels;
    std::vector<size_t> starts = {0};  // lump k holds points starts[k] .. starts[k + 1] - 1
    std::vector<float> frequencies;
    std::vector<float> levels;
    void clear();
  };

  void Format(size_t file, int64_t label, std::span<const float> frequencies,
              std::span<const float> levels);
  void FormatBatch(const Batch& batch);
  void HandOver();
  void Run();

  std::vector<File> files_;
  std::unique_ptr<Batch> filling_;  // the lines not yet handed over

  std::mutex mutex_;
  std::condition_variable ready_;  // a batch was queued, or no more will be
  std::condition_variable room_;   // a batch was formatted
  std::deque<std::unique_ptr<Batch>> queued_;
  std::vector<std::unique_ptr<Batch>> spare_;
  std::exception_ptr failure_;  // memory ran out on the thread
  bool finishing_ = false;
  std::thread thread_;
};

}  // namespace tonvale
