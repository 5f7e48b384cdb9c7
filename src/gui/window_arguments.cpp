#include "gui/window_arguments.h"

#include "app/command_line.h"

namespace tonvale {

WindowArguments ParseWindowArguments(const std::vector<std::string>& arguments) {
  WindowArguments result;
  const OptionSpec specs[] = {
      Valued("--screenshot", "a file name",
             [&result](const std::string& path) { result.screenshotPath = path; }),
      Valued("--progress-screenshot", "a file name",
             [&result](const std::string& path) { result.progressScreenshotPath = path; }),
      Switch("--wav2mid", {}, [&result] { result.pressWav2Mid = true; }),
  };
  const CommandLine line = ParseCommandLine(arguments, specs);
  result.help = line.help;
  result.version = line.version;
  result.error = line.error;
  if (result.help || result.version || !result.error.empty()) return result;
  const std::vector<std::string>& files = line.operands;
  if (files.size() > 1) {
    result.error = "takes one file, not " + std::to_string(files.size());
  } else if (files.size() == 1) {
    result.file = files.front();
  } else if (result.pressWav2Mid) {
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
  --version          show the version and the license
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
