#include "recognition/work_file_input.h"

#include <filesystem>

#include "app/input_stream.h"
#include "app/output_file.h"

namespace tonvale {

void ParseWorkFile(std::string_view bytes, WorkFile& file) {
  InputStream header(bytes);
  file.header = ReadWorkFileHeader(header);
  InputStream records(bytes);
  ReadPeakFile(records, file.records);
}

bool ReadWorkFile(const std::string& path, WorkFile& file) {
  // Read through two buffered streams rather than whole: the records of an hour's peak file
  // are a fraction of its text.
  InputStream header = InputStream::OpenFile(path);
  InputStream records = InputStream::OpenFile(path);
  if (!header.IsOpen() || !records.IsOpen()) return false;
  file.header = ReadWorkFileHeader(header);
  // Room for as many records and peaks as a file of the stages could hold ("10: end" and
  // "0.00 0.00 " at the least), so that the tables do not grow by copying; pages never written
  // cost nothing. Other files only make the tables grow as they go.
  std::error_code error;
  const auto bytes = static_cast<size_t>(std::filesystem::file_size(path, error));
  if (!error) file.records.Reserve(bytes / 9 + 1, bytes / 10 + 1);
  ReadPeakFile(records, file.records);
  return true;
}

WorkFileHeader RewrittenHeader(const WorkFile& file) {
  WorkFileHeader header = file.header;
  header.MaxdB = file.MaxdB();
  header.MindB = file.MindB();
  header.FrameRate = file.FrameRate();
  return header;
}

bool ReadStageInput(Session& session, const char* fileName, std::string_view cannotOpen,
                    WorkFile& file) {
  if (!ReadWorkFile(session.WorkPath(fileName), file)) {
    session.log.AppendLog(cannotOpen);
    return false;
  }
  if (file.FrameRate() == 0) {
    session.log.AppendLog("err: FrameRate is 0 in " + std::string(fileName) + "!");
    return false;
  }
  return true;
}

}  // namespace tonvale
