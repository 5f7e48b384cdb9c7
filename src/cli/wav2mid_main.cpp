// wav2mid: converts WAVE files into Standard MIDI Files from the command line, through the
// same commands as the window's "wav2mid" button.
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "app/output_file.h"
#include "app/program_directory.h"
#include "app/session.h"
#include "app/settings_file.h"
#include "app/version.h"
#include "cli/batch_conversion.h"
#include "cli/cli_options.h"
#include "cli/console_reporter.h"
#include "cli/headless_host.h"
#include "cli/job_plan.h"
#include "cli/recording_list.h"
#include "figures/plot_figure.h"
#include "pipeline/process_commands.h"

#ifdef TONVALE_WITH_FIGURES
#include "figures/raster/figure_png.h"
#endif

namespace tonvale::cli {
namespace {

std::string WorkFolder(const CliOptions& options) {
  if (options.workdir.empty()) return GetProgramDirectory();
  std::string folder = options.workdir;
  if (folder.back() != '/') folder += '/';
  return folder;
}

// The settings the window would find; a missing file gets the defaults, said aloud.
bool PrepareSettings(Session& session, ConsoleReporter& reporter) {
  const std::string path = session.WorkPath(kSettingsFileName);
  if (IsReadableFile(path)) return true;
  if (ResetSettings(session) != 0) {
    reporter.Complain("wav2mid: cannot write the default settings file " + path);
    return false;
  }
  reporter.Say("wav2mid: there was no settings file; wrote the defaults to " + path);
  return true;
}

// Figures that cannot be drawn are the command line's own errors: the log keeps its story.
class FigureComplaints : public FigureErrors {
 public:
  explicit FigureComplaints(ConsoleReporter& reporter) : reporter_(reporter) {}
  void ShowError(const std::string& text) override { reporter_.Complain("wav2mid: " + text); }

 private:
  ConsoleReporter& reporter_;
};

// Draws the figure of a process, right after it, into a picture beside the WAVE file.
HeadlessHost::Plotter FigurePlotter([[maybe_unused]] const CliOptions& options,
                                    [[maybe_unused]] Session& session,
                                    [[maybe_unused]] const std::string& wavePath,
                                    [[maybe_unused]] ConsoleReporter& reporter) {
#ifdef TONVALE_WITH_FIGURES
  if (options.figures == FigureFiles::kNone) return nullptr;
  const FigureLayout& layout =
      options.figures == FigureFiles::kMain ? MainFigureLayout() : EnlargedFigureLayout();
  return [&layout, &session, wavePath, &reporter](int PlotNum) {
    session.mainFigure.PlotNum = PlotNum;
    const std::string png =
        wavePath + (PlotNum == 3 ? ".notes" : ".process" + std::to_string(PlotNum)) + ".png";
    FigureComplaints complaints(reporter);
    if (WriteFigurePng(layout, PlotNum, session.programDirectory, png, complaints) != 0) {
      reporter.Complain("wav2mid: cannot write " + png);
      return 1;
    }
    reporter.Say("wav2mid: wrote " + png);
    return 0;
  };
#else
  return nullptr;
#endif
}

int Run(const CliOptions& options, TemporaryFolders& folders) {
  const bool terminal = isatty(STDERR_FILENO) != 0;
  // With --json the standard output holds the JSON lines alone.
  ConsoleReporter reporter(options.json ? stderr : stdout, stderr, options.quiet, terminal);
  const std::string folder = WorkFolder(options);
  std::error_code error;
  if (folder.empty() || !std::filesystem::is_directory(folder, error)) {
    reporter.Complain("wav2mid: the work folder " + folder + " does not exist");
    return 1;
  }
  {
    Session session(folder);
    if (!PrepareSettings(session, reporter)) return 1;
  }
  std::vector<std::string> problems;
  const std::vector<std::string> files = ExpandRecordings(options.files, problems);
  for (const std::string& problem : problems) reporter.Complain("wav2mid: " + problem);
  if (files.empty()) {
    reporter.Complain("wav2mid: no recording found");
    return 1;
  }
#ifdef TONVALE_WITH_FIGURES
  // Text in the pictures needs the font machinery of a (windowless) application.
  std::optional<OffscreenGui> gui;
  if (options.figures != FigureFiles::kNone) gui.emplace();
#endif

  const JobPlan plan = PlanJobs(options.jobs, AvailableCores(), files.size());
  ConversionSetup setup;
  setup.workFolder = folder;
  // Two runs cannot share the work files of one folder; a single file with its own
  // --workdir keeps them there, for a look afterwards.
  setup.ownWorkFolders = options.workdir.empty() || files.size() > 1;
  setup.temporaryFolders = &folders;
  setup.method = options.method;
  setup.analysisThreads = plan.threadsPerFile;
  setup.quiet = options.quiet;
  setup.json = options.json;
  setup.skipExisting = options.skipExisting;
  setup.showProgress = terminal && plan.filesAtOnce == 1 && !options.json;
  // The pictures are drawn one at a time, whatever the number of jobs.
  std::mutex drawing;
  if (options.figures != FigureFiles::kNone) {
    setup.plotter = [&options, &drawing](Session& session, const std::string& path,
                                         ConsoleReporter& fileReporter) -> HeadlessHost::Plotter {
      HeadlessHost::Plotter plot = FigurePlotter(options, session, path, fileReporter);
      if (!plot) return nullptr;
      return [plot, &drawing](int PlotNum) {
        std::lock_guard lock(drawing);
        return plot(PlotNum);
      };
    };
  }
  const std::vector<FileOutcome> outcomes = ConvertFiles(setup, files, plan.filesAtOnce);
  auto count = [&outcomes](FileOutcome::Status status) {
    return static_cast<size_t>(
        std::count_if(outcomes.begin(), outcomes.end(),
                      [status](const FileOutcome& outcome) { return outcome.status == status; }));
  };
  const size_t failed = count(FileOutcome::Status::kFailed);
  const size_t skipped = count(FileOutcome::Status::kSkipped);
  if (files.size() > 1) {
    reporter.Say("wav2mid: converted " + std::to_string(count(FileOutcome::Status::kConverted)) +
                 " of " + std::to_string(files.size()) + " files" +
                 (skipped > 0 ? ", skipped " + std::to_string(skipped) : ""));
  }
  return failed == 0 && problems.empty() ? 0 : 1;
}

}  // namespace
}  // namespace tonvale::cli

int main(int argc, char** argv) {
  using namespace tonvale::cli;
  const CliOptions options = ParseCliOptions(std::vector<std::string>(argv + 1, argv + argc));
  if (options.help) {
    std::fputs(CliUsage(), stdout);
    return 0;
  }
  if (options.version) {
    std::fputs(tonvale::VersionText("wav2mid").c_str(), stdout);
    return 0;
  }
  if (!options.error.empty()) {
    std::fprintf(stderr, "wav2mid: %s\n%s", options.error.c_str(), CliUsage());
    return 2;
  }
#ifndef TONVALE_WITH_FIGURES
  if (options.figures != FigureFiles::kNone) {
    std::fputs("wav2mid: this build draws no figures (it was built without Qt)\n", stderr);
    return 2;
  }
#endif
  // Never destroyed: a signal may still come while the program ends.
  static TemporaryFolders& folders = *new TemporaryFolders;
  RemoveOnSignals(folders);
  return Run(options, folders);
}
