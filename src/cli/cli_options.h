#pragma once

#include <string>
#include <vector>

namespace tonvale::cli {

// What the wav2mid command line asks for.
struct CliOptions {
  std::vector<std::string> files;  // WAVE files, in the order given
  std::string workdir;             // empty: the program directory
  bool quiet = false;              // only "err: " lines and the summary
  bool help = false;
  std::string error;  // not empty when the arguments cannot be used
};

// Parses the arguments after the program name. "--" ends the options.
CliOptions ParseCliOptions(const std::vector<std::string>& arguments);

// The text of --help.
const char* CliUsage();

}  // namespace tonvale::cli
