#pragma once

#include <cstdio>
#include <string>
#include <string_view>

#include "app/message_log.h"
#include "app/run_progress.h"

namespace tonvale::cli {

// Prints the message log as it grows: every line to `out` (only error lines when quiet), error
// lines also to `err` with the file's name. With `showProgress`, a status line on `err` names
// the process under way and how far it has come, from the run's progress reports; it is
// cleared before anything else is printed.
class ConsoleReporter : public MessageLog::Observer, public RunProgress::Observer {
 public:
  ConsoleReporter(std::FILE* out, std::FILE* err, bool quiet, bool showProgress);

  void BeginFile(const std::string& name);
  void EndFile();
  // A line of the command line's own, on `out` even when quiet.
  void Say(std::string_view line);
  // An error of the command line's own, on `err`.
  void Complain(std::string_view line);

  void OnLogCleared() override {}
  void OnLineAppended(std::string_view line) override;
  void OnProgress(int process, int percent) override;

  static bool IsErrorLine(std::string_view line);

  // The first error line of the log since BeginFile, or empty.
  const std::string& firstError() const { return firstError_; }

 private:
  void ClearStatus();
  void ShowStatus();

  std::FILE* out_;
  std::FILE* err_;
  bool quiet_;
  bool showProgress_;
  std::string file_;
  std::string status_;
  std::string firstError_;
  bool statusShown_ = false;
};

}  // namespace tonvale::cli
