#pragma once

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <exception>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "app/input_stream.h"
#include "extraction/peak_file.h"

namespace tonvale {

// The records of a peak or lump file parsed on a thread of their own, a few batches ahead of
// the stage that takes them, so that parsing the text and the stage's own work run on two
// cores. The thread runs the plain reader over the stream, so the records, their order and
// where a read fails are exactly the plain reader's; only the bytes read so far run ahead.
// Memory stays bounded: at most a few batches of a few hundred records are held.
class RecordReadAhead final : public PeakRecordSource {
 public:
  // Starts the thread over `reader`, which reads `in`; nothing else may use either until
  // Stop() has returned.
  RecordReadAhead(PeakRecordReader& reader, const InputStream& in);
  ~RecordReadAhead() override;
  RecordReadAhead(const RecordReadAhead&) = delete;
  RecordReadAhead& operator=(const RecordReadAhead&) = delete;

  bool NextRecord(int32_t& label) override;
  bool NextPeak(float& frequency, float& level) override;

  // In bytes: the stream's offset as the plain reader leaves it once every peak of the records
  // taken so far has been read, for progress reports from the stage's own position.
  int64_t Offset() const { return offset_; }

  // Stops reading ahead and waits for the thread. The stream is then wherever the thread left
  // it: at the end of the records once they have all been taken.
  void Stop();

 private:
  struct Batch {
    PeakTable records;
    std::vector<int64_t> ends;  // the stream's offset after each record
    bool last = false;          // no record follows this batch's
  };

  void Produce();
  bool FillBatch(Batch& batch);
  void TakeBatch();
  void EndRecord();

  PeakRecordReader& reader_;
  const InputStream& in_;

  std::mutex mutex_;
  std::condition_variable ready_;  // a batch was queued, or the thread failed
  std::condition_variable room_;   // a batch was taken, or Stop() was called
  std::deque<std::unique_ptr<Batch>> queued_;
  std::vector<std::unique_ptr<Batch>> spare_;
  std::exception_ptr failure_;  // memory ran out on the thread
  bool stopping_ = false;
  std::thread thread_;

  // The stage's side: the batch it reads and its place there.
  std::unique_ptr<Batch> current_;
  int record_ = -1;
  int peak_ = 0;
  bool inRecord_ = false;
  bool ended_ = false;
  int64_t offset_ = 0;
};

}  // namespace tonvale
