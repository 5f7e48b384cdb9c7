#pragma once

#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "app/session.h"
#include "app/transcription_method.h"
#include "cli/console_reporter.h"
#include "cli/headless_host.h"
#include "cli/json_report.h"
#include "cli/temporary_folders.h"

namespace tonvale::cli {

// What the conversions of one command line share.
struct ConversionSetup {
  std::string workFolder;                        // holds the settings file; ends with '/'
  bool ownWorkFolders = true;                    // each file in a temporary work folder of its own
  TemporaryFolders* temporaryFolders = nullptr;  // where they are made, when they are
  TranscriptionMethod method = TranscriptionMethod::kFaithful;
  unsigned analysisThreads = 0;  // for process 1 of each file; 0: one per core of the host
  bool quiet = false;
  bool json = false;  // the log is not printed; FileOutcome goes out as JSON
  bool skipExisting = false;
  bool showProgress = false;  // the status line on a terminal
  // Draws the figures of a file's session into pictures beside it; may give no plotter.
  std::function<HeadlessHost::Plotter(Session&, const std::string& path, ConsoleReporter&)> plotter;
};

// Converts one file (the path as given), printing its story to `out` and its errors to `err`
// as the command line does.
FileOutcome ConvertFile(const ConversionSetup& setup, const std::string& file, std::FILE* out,
                        std::FILE* err);

// Converts the files, `jobs` at a time, and prints each file's lines, then its JSON line
// (with --json), in the order of `files`. One job prints the lines as they are written.
std::vector<FileOutcome> ConvertFiles(const ConversionSetup& setup,
                                      const std::vector<std::string>& files, unsigned jobs);

}  // namespace tonvale::cli
