#include "cli/batch_conversion.h"

#include <stdlib.h>

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>

#include "app/output_file.h"
#include "app/settings_file.h"
#include "cli/recording_list.h"
#include "pipeline/process_commands.h"

namespace tonvale::cli {
namespace {

namespace fs = std::filesystem;

// A temporary work folder holding a copy of the settings file, removed with the object.
class OwnWorkFolder {
 public:
  explicit OwnWorkFolder(TemporaryFolders* folders) : folders_(folders) {}
  ~OwnWorkFolder() {
    if (!path_.empty()) folders_->Remove(path_);
  }

  // False when the folder cannot be made or the settings cannot be copied into it.
  bool Make(const std::string& settingsFolder) {
    if (folders_ == nullptr) return false;
    path_ = folders_->Make();
    std::error_code error;
    return !path_.empty() &&
           fs::copy_file(settingsFolder + kSettingsFileName, path_ + kSettingsFileName, error);
  }

  const std::string& path() const { return path_; }

 private:
  TemporaryFolders* folders_;
  std::string path_;
};

// A stream in memory, for the lines of a file converted beside others.
struct MemoryStream {
  MemoryStream() : file(open_memstream(&data, &size)) {}
  ~MemoryStream() {
    if (file != nullptr) std::fclose(file);
    free(data);
  }
  MemoryStream(const MemoryStream&) = delete;
  MemoryStream& operator=(const MemoryStream&) = delete;

  std::string Take() {
    std::fflush(file);
    return std::string(data == nullptr ? "" : data, size);
  }

  char* data = nullptr;
  size_t size = 0;
  std::FILE* file;
};

void Print(std::FILE* stream, const std::string& text) {
  std::fwrite(text.data(), 1, text.size(), stream);
  std::fflush(stream);
}

}  // namespace

FileOutcome ConvertFile(const ConversionSetup& setup, const std::string& file, std::FILE* out,
                        std::FILE* err) {
  std::error_code error;
  const fs::path absolute = fs::absolute(file, error);
  const std::string path = error ? file : absolute.string();
  FileOutcome outcome;
  outcome.path = path;
  // With --json the log is not printed, but its error lines still go to `err`. The lines go to
  // the null device rather than into memory, where a long recording's would pile up.
  std::FILE* const discarded = setup.json ? std::fopen("/dev/null", "w") : nullptr;
  if (setup.json && discarded == nullptr) {
    outcome.error = "wav2mid: cannot open /dev/null";
    std::fprintf(err, "%s\n", outcome.error.c_str());
    return outcome;
  }
  const std::unique_ptr<std::FILE, int (*)(std::FILE*)> closeDiscarded(
      discarded, [](std::FILE* f) { return f == nullptr ? 0 : std::fclose(f); });
  ConsoleReporter reporter(setup.json ? discarded : out, err, setup.quiet, setup.showProgress);
  if (setup.skipExisting && MidiFileIsNewer(path)) {
    outcome.status = FileOutcome::Status::kSkipped;
    reporter.Say("wav2mid: skipped " + path + ": its MIDI file is newer");
    return outcome;
  }
  OwnWorkFolder own(setup.temporaryFolders);
  if (setup.ownWorkFolders && !own.Make(setup.workFolder)) {
    outcome.error = "wav2mid: cannot make a work folder for " + file;
    reporter.Complain(outcome.error);
    return outcome;
  }
  Session session(setup.ownWorkFolders ? own.path() : setup.workFolder);
  session.method = setup.method;
  session.analysisThreads = setup.analysisThreads;
  // Every line is printed (or dropped) as it comes; only the last few are looked at again.
  session.log.KeepRecent(1000);
  session.log.AddObserver(&reporter);
  session.progress.SetObserver(&reporter);
  reporter.BeginFile(file);
  HeadlessHost host(path, setup.plotter ? setup.plotter(session, path, reporter) : nullptr);
  const auto begin = std::chrono::steady_clock::now();
  const int result = RunWav2Mid(session, host);
  outcome.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - begin).count();
  reporter.EndFile();
  session.log.RemoveObserver(&reporter);
  if (result != 0) {
    outcome.error = reporter.firstError().empty() ? "not converted" : reporter.firstError();
    reporter.Complain("wav2mid: " + file + ": not converted");
    return outcome;
  }
  outcome.status = FileOutcome::Status::kConverted;
  std::string script;
  if (ReadFileBytes(path + ".txt", script)) outcome.notes = CountNotes(script);
  if (setup.quiet) {
    for (const std::string& line : session.log.Lines()) reporter.Say(line);
  }
  reporter.Say("wav2mid: wrote " + path + ".mid");
  return outcome;
}

std::vector<FileOutcome> ConvertFiles(const ConversionSetup& setup,
                                      const std::vector<std::string>& files, unsigned jobs) {
  std::vector<FileOutcome> outcomes(files.size());
  auto printJson = [&](const FileOutcome& outcome) {
    if (setup.json) Print(stdout, JsonLine(outcome) + "\n");
  };
  if (jobs <= 1 || files.size() <= 1) {
    for (size_t i = 0; i < files.size(); ++i) {
      outcomes[i] = ConvertFile(setup, files[i], stdout, stderr);
      printJson(outcomes[i]);
    }
    return outcomes;
  }
  // Each file's lines are kept until the files before it have been printed.
  struct Done {
    std::string out, err;
  };
  std::vector<std::optional<Done>> done(files.size());
  std::mutex mutex;
  std::condition_variable finished;
  size_t next = 0;
  auto work = [&] {
    for (;;) {
      size_t i;
      {
        std::lock_guard lock(mutex);
        if (next == files.size()) return;
        i = next++;
      }
      MemoryStream out, err;
      FileOutcome outcome = ConvertFile(setup, files[i], out.file, err.file);
      Done lines{out.Take(), err.Take()};
      std::lock_guard lock(mutex);
      outcomes[i] = std::move(outcome);
      done[i] = std::move(lines);
      finished.notify_all();
    }
  };
  std::vector<std::thread> threads;
  for (unsigned j = 0; j < std::min<size_t>(jobs, files.size()); ++j) threads.emplace_back(work);
  for (size_t i = 0; i < files.size(); ++i) {
    Done lines;
    {
      std::unique_lock lock(mutex);
      finished.wait(lock, [&] { return done[i].has_value(); });
      lines = std::move(*done[i]);
    }
    Print(stdout, lines.out);
    Print(stderr, lines.err);
    printJson(outcomes[i]);
  }
  for (std::thread& t : threads) t.join();
  return outcomes;
}

}  // namespace tonvale::cli
