#include "cli/cli_options.h"

#include "app/command_line.h"

namespace tonvale::cli {

CliOptions ParseCliOptions(const std::vector<std::string>& arguments) {
  CliOptions options;
  const OptionSpec specs[] = {
      Switch("--quiet", "-q", [&] { options.quiet = true; }),
      Switch("--refined", {}, [&] { options.method = TranscriptionMethod::kRefined; }),
      Switch("--faithful", {}, [&] { options.method = TranscriptionMethod::kFaithful; }),
      Valued("--workdir", "a folder", [&](const std::string& folder) { options.workdir = folder; }),
      {"--figures",
       {},
       OptionValue::kAttached,
       "main or enlarged",
       [&](const std::string& layout) {
         if (layout.empty() || layout == "main") {
           options.figures = FigureFiles::kMain;
         } else if (layout == "enlarged") {
           options.figures = FigureFiles::kEnlarged;
         } else {
           return "--figures takes main or enlarged, not " + layout;
         }
         return std::string();
       }},
  };
  CommandLine line = ParseCommandLine(arguments, specs);
  options.files = std::move(line.operands);
  options.help = line.help;
  options.version = line.version;
  options.error = std::move(line.error);
  if (options.error.empty() && !options.help && !options.version && options.files.empty()) {
    options.error = "no WAVE file given";
  }
  return options;
}

const char* CliUsage() {
  return R"(usage: wav2mid [--workdir DIR] [--quiet] [--figures[=enlarged]] FILE.wav...
       wav2mid --refined [--workdir DIR] [--quiet] [--figures[=enlarged]] FILE.wav...

Converts each WAVE file into a Standard MIDI File the way the "wav2mid" button of the
window does: peak extraction, peak clustering, pitch recognition and MIDI conversion.
FILE.wav.txt (the note script) and FILE.wav.mid are written beside each WAVE file.

Recordings may be WAVE (8, 16, 24 or 32-bit integer, 32 or 64-bit floating point, plain or
extensible), RF64, W64, AIFF, AIFC, FLAC, Ogg Vorbis, Ogg Opus or MP3, named *.wav, *.wave,
*.bwf, *.rf64, *.w64, *.aif, *.aiff, *.aifc, *.flac, *.ogg, *.oga, *.opus or *.mp3 in any
case; the results are named after the whole name (song.flac.txt, song.flac.mid). Only the
first channel is analysed.

  --faithful     transcribe as the settings file describes: peaks of every frame,
                 lumps of linked peaks, one note per loud enough lump (the default)
  --refined      transcribe with the refined method: the overtones of a tone are
                 grouped into one note of its fundamental, repeated notes are split at
                 their onsets, drum-like sounds are left out and velocities follow the
                 level at the onset. Frame shift, tempo, rhythm and tone come from the
                 settings file; the other analysis settings are not used. Better notes
                 for most music; the work files and the note script keep their formats
  --workdir DIR  take the settings file (設定変更.txt) and keep the work files
                 (Wave_File_Format.txt, PeakExtraction.txt, PeakCombination.txt) in DIR
                 instead of the program directory: the folder of the wav2mid executable
                 when it is the user's own, else (an installed program)
                 $XDG_DATA_HOME/tonvale/, by default ~/.local/share/tonvale/. When the
                 settings file is missing, its defaults are written there first.
  --quiet, -q    print only "err: " lines and the summary of each file
  --figures      also draw the figures of processes 1 and 2 as the window's plot frame
                 shows them, into FILE.wav.process1.png and FILE.wav.process2.png
  --figures=enlarged
                 the same pictures as the enlarged figure window shows them
  --help, -h     show this text
  --version      show the version and the license
  --             end of the options: every later argument is a file

Every line of the message log is printed as it is written (UTF-8); error lines also go to
the standard error stream. On a terminal, the stage in progress is shown as well. The
files are converted one after the other; a file that fails does not stop the others.

Exit status: 0 when every file was converted, 1 when any failed, 2 for a usage error.
)";
}

}  // namespace tonvale::cli
