#include "extraction/work_file.h"

#include <cerrno>
#include <cstring>
#include <filesystem>

#include "dsp/worker_pool.h"

namespace tonvale {

void ParseWorkFile(InputStream& in, WorkFile& file) {
  file.header = ReadWorkFileHeader(in);
  if (in.Rewind()) ReadPeakFile(in, file.records);
}

bool ReadWorkFile(const std::string& path, WorkFile& file, ReadFailure& failure) {
  InputStream in = InputStream::OpenFile(path);
  if (!in.IsOpen()) {
    failure = {false, std::strerror(errno)};
    return false;
  }
  // Room for as many records and peaks as a file of the stages could hold ("10: end" and
  // "0.00 0.00 " at the least), so that the tables do not grow by copying; pages never written
  // cost nothing. Other files only make the tables grow as they go.
  std::error_code error;
  const auto bytes = static_cast<size_t>(std::filesystem::file_size(path, error));
  if (!error) file.records.Reserve(bytes / 9 + 1, bytes / 10 + 1);
  ParseWorkFile(in, file);
  if (in.Failed()) {
    failure = {true, in.Error()};
    return false;
  }
  return true;
}

WorkFileHeader RewrittenHeader(const WorkFileValues& file) {
  WorkFileHeader header = file.header;
  header.MaxdB = file.MaxdB();
  header.MindB = file.MindB();
  header.FrameRate = file.FrameRate();
  return header;
}

bool ReadStageInput(Session& session, const char* fileName, std::string_view cannotOpen,
                    WorkFile& file) {
  ReadFailure failure;
  if (!ReadWorkFile(session.WorkPath(fileName), file, failure)) {
    session.log.AppendLog(failure.opened ? CannotReadLine(fileName, failure.reason)
                                         : std::string(cannotOpen));
    return false;
  }
  if (file.FrameRate() == 0) {
    session.log.AppendLog("err: FrameRate is 0 in " + std::string(fileName) + "!");
    return false;
  }
  return true;
}

StageInput::StageInput(Session& session, const char* fileName)
    : session_(session),
      fileName_(fileName),
      in_(InputStream::OpenFile(session.WorkPath(fileName))) {}

bool StageInput::Open(std::string_view cannotOpen) {
  if (!in_.IsOpen()) {
    session_.log.AppendLog(cannotOpen);
    return false;
  }
  std::error_code error;
  const auto size = std::filesystem::file_size(session_.WorkPath(fileName_), error);
  bytes_ = error ? 0 : static_cast<int64_t>(size);
  header = ReadWorkFileHeader(in_);
  // A failed rewind leaves the stream ended and failed: there are no records, and Finish says
  // why.
  in_.Rewind();
  reader_.emplace(in_);
  if (FrameRate() == 0) {
    // A file that cannot be read is reported as such, whatever its header says.
    if (Finish()) {
      session_.log.AppendLog("err: FrameRate is 0 in " + std::string(fileName_) + "!");
    }
    return false;
  }
  return true;
}

PeakRecordSource& StageInput::RecordsReadAhead(unsigned threads) {
  if (!ahead_ && WorkerPool::Resolve(threads) > 1) {
    ahead_ = std::make_unique<RecordReadAhead>(*reader_, in_);
  }
  if (ahead_) return *ahead_;
  return *reader_;
}

bool StageInput::Finish() {
  int32_t label;
  if (ahead_) {
    while (ahead_->NextRecord(label)) {
    }
    // The thread has read to the end: the stream's state is final.
    ahead_->Stop();
  }
  while (reader_->NextRecord(label)) {
  }
  if (in_.Failed()) {
    session_.log.AppendLog(CannotReadLine(fileName_, in_.Error()));
    return false;
  }
  return true;
}

}  // namespace tonvale
