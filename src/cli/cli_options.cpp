#include "cli/cli_options.h"

#include <cstdlib>

#include "app/command_line.h"

namespace tonvale::cli {

CliOptions ParseCliOptions(const std::vector<std::string>& arguments) {
  CliOptions options;
  const OptionSpec specs[] = {
      Switch("--quiet", "-q", [&] { options.quiet = true; }),
      Switch("--refined", {}, [&] { options.method = TranscriptionMethod::kRefined; }),
      Switch("--faithful", {}, [&] { options.method = TranscriptionMethod::kFaithful; }),
      Valued("--workdir", "a folder", [&](const std::string& folder) { options.workdir = folder; }),
      {"--jobs", "-j", OptionValue::kRequired, "a number",
       [&](const std::string& count) {
         const unsigned long jobs = std::strtoul(count.c_str(), nullptr, 10);
         if (count.find_first_not_of("0123456789") != std::string::npos || jobs < 1 ||
             jobs > 1024) {
           return "--jobs takes a number from 1 to 1024, not " + count;
         }
         options.jobs = static_cast<unsigned>(jobs);
         return std::string();
       }},
      Switch("--skip-existing", {}, [&] { options.skipExisting = true; }),
      Switch("--json", {}, [&] { options.json = true; }),
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
       wav2mid [-j N] [--skip-existing] [--json] FILE.wav|FOLDER...

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
  --figures      also draw the figures of processes 1 and 2 and the notes of process 3
                 as the window's plot frame shows them, into FILE.wav.process1.png,
                 FILE.wav.process2.png and FILE.wav.notes.png
  --figures=enlarged
                 the same pictures as the enlarged figure window shows them
  -j N, --jobs N keep N cores busy (default: every core this process may use):
                 N files at once, each analysed on one core; with fewer files than
                 N, process 1 of each file shares the cores that are left
  --skip-existing
                 leave out a recording whose MIDI file is newer than it
  --json         print one JSON object per file on its own line, instead of the log:
                 {"path": ..., "status": "converted", "skipped" or "failed",
                 "notes": N, "seconds": S, "error": the first error line or null}
  --help, -h     show this text
  --version      show the version and the license
  --             end of the options: every later argument is a file

A FOLDER is searched, with its subfolders, for recordings of the names above. Each file is
converted in a temporary work folder of its own, which takes a copy of the settings file,
so that runs at once never share their work files, and which is removed when the run ends,
also by SIGINT, SIGTERM or SIGHUP; with --workdir DIR and a single file, the work files
stay in DIR.

Every line of the message log is printed (UTF-8); error lines also go to the standard
error stream. One file at a time, the lines come as they are written and, on a terminal,
the stage in progress is shown as well; files converted at once have their lines printed
together, in the order the files were given. A file that fails does not stop the others.

Exit status: 0 when every file was converted or skipped, 1 when any failed, 2 for a usage
error.
)";
}

}  // namespace tonvale::cli
