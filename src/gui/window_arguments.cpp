#include "gui/window_arguments.h"

namespace tonvale {

WindowArguments ParseWindowArguments(const std::vector<std::string>& arguments) {
  WindowArguments result;
  bool onlyFiles = false;
  std::vector<std::string> files;
  for (size_t i = 0; i < arguments.size(); ++i) {
    const std::string& argument = arguments[i];
    if (onlyFiles || argument.empty() || argument[0] != '-' || argument == "-") {
      files.push_back(argument);
    } else if (argument == "--") {
      onlyFiles = true;
    } else if (argument == "--help" || argument == "-h") {
      result.help = true;
    } else if (argument == "--screenshot") {
      if (i + 1 == arguments.size()) {
        if (result.error.empty()) result.error = "--screenshot needs a file name";
      } else {
        result.screenshotPath = arguments[++i];
      }
    } else if (argument == "--progress-screenshot") {
      if (i + 1 == arguments.size()) {
        if (result.error.empty()) result.error = "--progress-screenshot needs a file name";
      } else {
        result.progressScreenshotPath = arguments[++i];
      }
    } else if (argument == "--wav2mid") {
      result.pressWav2Mid = true;
    } else if (result.error.empty()) {
      result.error = "unknown option " + argument;
    }
  }
  if (result.help) {
    result.error.clear();
    return result;
  }
  if (files.size() > 1 && result.error.empty()) {
    result.error = "takes one file, not " + std::to_string(files.size());
  }
  if (files.size() == 1) result.file = files.front();
  if (files.empty() && result.pressWav2Mid && result.error.empty()) {
    result.error = "--wav2mid needs a file";
  }
  return result;
}

const char* WindowUsage() {
  return R"(usage: tonvale [FILE.wav]

Opens the Tonvale window. FILE.wav is selected as if it had been chosen with "open file"
(a name ending in .mid is opened as a MIDI file). When Tonvale already runs, the file goes
to the running window, which comes to the front, and this start ends.

  --help, -h         show this text
  --                 the next argument is the file, even if it begins with '-'

The settings file and the work files live beside the executable when that folder is the
user's own, else (an installed program) in $XDG_DATA_HOME/tonvale/, by default
~/.local/share/tonvale/. The wav2mid command converts files without the window.

For developers only (pictures for the documentation and tests):
  --screenshot PNG   save a picture of the window to PNG once it is shown, then close it;
                     message boxes go to the standard error stream instead
  --wav2mid          press "wav2mid" once FILE.wav is selected; a --screenshot is taken
                     when the conversion has ended
  --progress-screenshot PNG
                     save a picture of the window to PNG when the first process of a run
                     is halfway through
)";
}

}  // namespace tonvale
