#pragma once

#include <string>
#include <vector>

#include "app/transcription_method.h"

namespace tonvale::cli {

// Which pictures of the figures are written beside each WAVE file.
enum class FigureFiles {
  kNone,
  kMain,      // the layout of the main window's plot frame
  kEnlarged,  // the layout of the enlarged figure window
};

// What the wav2mid command line asks for.
struct CliOptions {
  std::vector<std::string> files;  // WAVE files and folders of them, in the order given
  std::string workdir;             // empty: the program directory
  bool quiet = false;              // only "err: " lines and the summary
  FigureFiles figures = FigureFiles::kNone;
  TranscriptionMethod method = TranscriptionMethod::kFaithful;  // the last of --refined/--faithful
  unsigned jobs = 0;          // cores kept busy (files at once); 0: every core
  bool skipExisting = false;  // leave out recordings whose MIDI file is newer
  bool json = false;          // one JSON object per file on stdout, instead of the log
  bool help = false;
  bool version = false;
  std::string error;  // not empty when the arguments cannot be used
};

// Parses the arguments after the program name by the rules of app/command_line.h.
CliOptions ParseCliOptions(const std::vector<std::string>& arguments);

// The text of --help.
const char* CliUsage();

}  // namespace tonvale::cli
