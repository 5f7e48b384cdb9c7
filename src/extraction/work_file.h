#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "app/input_stream.h"
#include "app/numbers.h"
#include "app/session.h"
#include "extraction/peak_file.h"
#include "extraction/record_read_ahead.h"

namespace tonvale {

// The work files that carry the analysis from one process to the next, in the program
// directory: the peaks of process 1 and the lumps of process 2.
inline constexpr char kPeakFileName[] = "PeakExtraction.txt";
inline constexpr char kLumpFileName[] = "PeakCombination.txt";

// The header of a work file with its values as the stages take them.
struct WorkFileValues {
  WorkFileHeader header;

  // The levels of the first header line are single-precision values.
  float MaxdB() const { return NarrowToFloat(header.MaxdB); }
  float MindB() const { return NarrowToFloat(header.MindB); }
  // The frame shift in milliseconds keeps only the low 16 bits of the number in the file.
  uint16_t FrameRate() const { return static_cast<uint16_t>(header.FrameRate); }
};

// A peak file or a lump file read whole: its header and its records.
struct WorkFile : WorkFileValues {
  PeakTable records;
};

// Parses the header and then, from the start again, the records: the two reads are
// independent, so a header of unusual shape never shifts the records.
void ParseWorkFile(InputStream& in, WorkFile& file);

// Reads the file at `path`. False when it cannot be opened or a read fails part-way; `failure`
// then says which and why.
bool ReadWorkFile(const std::string& path, WorkFile& file, ReadFailure& failure);

// The header as it is written again: the levels rounded to single precision and the frame
// shift to its 16 bits, the frame count and the signal name as they were read.
WorkFileHeader RewrittenHeader(const WorkFileValues& file);

// Reads a stage's input file `fileName` from the session's folder. False, with the stage's
// `cannotOpen` line, the read error's line, or "err: FrameRate is 0 in <name>!" in the log,
// when the file cannot be read or has no frame shift to place anything in time.
bool ReadStageInput(Session& session, const char* fileName, std::string_view cannotOpen,
                    WorkFile& file);

// A stage's input file read a record at a time, so that a stage holds only the records it
// still works on, however long the recording. It fails where ReadStageInput fails, with the
// same lines: the header at Open, the records (a read that fails anywhere in the file) at
// Finish.
class StageInput : public WorkFileValues {
 public:
  StageInput(Session& session, const char* fileName);

  // Reads the header. False, after the stage's `cannotOpen` line, the read error's line or the
  // frame shift's line, when the file cannot be opened or has no frame shift.
  bool Open(std::string_view cannotOpen);

  // The records, after Open.
  PeakRecordReader& Records() { return *reader_; }

  // The records, after Open, parsed from here on by a thread of their own a few batches ahead
  // of the stage when `threads` (as Session::analysisThreads: 0 is one per core) give a second
  // core; by the plain reader otherwise. Records() must not be used after this.
  PeakRecordSource& RecordsReadAhead(unsigned threads);

  // How far the records have been read, as a share of the file, for progress reports. Read
  // ahead, it counts the records the stage has taken.
  int64_t BytesRead() const { return ahead_ ? ahead_->Offset() : in_.Offset(); }
  int64_t Bytes() const { return bytes_; }

  // Reads the records that are left. False, after the read error's line, when a read failed
  // anywhere in the file.
  bool Finish();

 private:
  Session& session_;
  const char* fileName_;
  InputStream in_;
  std::optional<PeakRecordReader> reader_;
  std::unique_ptr<RecordReadAhead> ahead_;  // declared after what its thread reads
  int64_t bytes_ = 0;
};

}  // namespace tonvale
