#pragma once

#include <string>
#include <string_view>

namespace tonvale::cli {

// How the conversion of one file ended, as --json reports it.
struct FileOutcome {
  enum class Status { kConverted, kSkipped, kFailed };
  std::string path;
  Status status = Status::kFailed;
  int notes = 0;         // notes in the note script written
  double seconds = 0.0;  // wall time of the conversion
  std::string error;     // the first error line of a failed conversion
};

// One line of JSON, without the line end: {"path": ..., "status": ..., "notes": N,
// "seconds": S, "error": ... or null}.
std::string JsonLine(const FileOutcome& outcome);

// `text` as a JSON string, quotes included. Bytes that are not valid UTF-8 become U+FFFD, so
// that the line always parses.
std::string JsonString(std::string_view text);

// The notes of a note script: its lines "time name velocity" with a velocity other than 0.
int CountNotes(std::string_view noteScript);

}  // namespace tonvale::cli
