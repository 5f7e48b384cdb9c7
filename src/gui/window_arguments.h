#pragma once

#include <string>
#include <vector>

namespace tonvale {

// What the tonvale command line asks for. Its one argument for users is a file to select as
// "open file" would; the rest serve developers.
struct WindowArguments {
  std::string file;                    // empty: start with nothing selected
  bool help = false;                   // --help anywhere before "--" wins over everything else
  bool version = false;                // so does --version
  std::string screenshotPath;          // developers: save a picture of the window, then close it
  bool pressWav2Mid = false;           // developers: press "wav2mid" once the file is selected
  std::string error;                   // not empty when the arguments cannot be used
  std::string progressScreenshotPath;  // developers: a picture of the window halfway through
                                       // the first process of a run
};

// Parses the arguments after the program name, once Qt has taken its own options out, by the
// rules of app/command_line.h.
WindowArguments ParseWindowArguments(const std::vector<std::string>& arguments);

// The text of --help.
const char* WindowUsage();

}  // namespace tonvale
