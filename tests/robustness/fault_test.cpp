// Faults of the machine under the process commands and the wav2mid command: a program
// directory that cannot be written, a full disk, folders that disappear between two processes.
// Each stage fails with its "err: " lines, every earlier result stays whole, no temporary file
// is left behind, and the next run works again.
//
// Tests run as root here and in CI, and root writes into any folder whatever its mode. The
// read-only folder is made real by dropping, for the duration of the check, the capabilities
// that let root pass over permission bits (in this process with capset, for wav2mid with
// setpriv). The full disk is a file-size limit (RLIMIT_FSIZE) with SIGXFSZ ignored, so that a
// write past it fails with EFBIG as it would with ENOSPC.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include "app/settings_file.h"
#include "extraction/proposed_method1.h"
#include "pipeline/process_commands.h"
#include "robustness_fixture.h"
#include "support/failing_reads.h"
#include "support/fault_injection.h"
#include "wavegen/wave_writer.h"

namespace tonvale {
namespace {

using testing::DiskFullPast;
using testing::ReadFile;
using testing::Snapshot;
using testing::WithoutOverride;

class FaultTest : public ::testing::Test {
 protected:
  FaultTest() {
    std::filesystem::create_directory(results_);
    EXPECT_TRUE(
        wavegen::WriteWave(wave_, {{440.0, 0.1, 0.8, 0.5, 3}, {523.25, 1.0, 0.8, 0.5, 3}}, 2.0));
  }
  int Wav2Mid() {
    folder_.session().log.ClearLog();
    return folder_.Run(RunWav2Mid, wave_);
  }
  int Run(int (*command)(Session&, ProcessHost&)) { return folder_.Run(command, wave_); }
  std::vector<std::string> Tail(size_t n) const {
    const auto& log = folder_.Log();
    return {log.end() - static_cast<std::ptrdiff_t>(std::min(n, log.size())), log.end()};
  }
  Snapshot All() const { return testing::TakeSnapshot(folder_.path()); }

  testing::CommandFolder folder_;
  const std::string results_ = folder_.File("results");
  const std::string wave_ = results_ + "/song.wav";
};

TEST_F(FaultTest, AProgramDirectoryThatCannotBeWrittenStopsProcessesOneAndTwo) {
  ASSERT_EQ(Wav2Mid(), 0) << folder_.LogText();
  const Snapshot before = All();
  ASSERT_EQ(chmod(folder_.path().c_str(), 0555), 0);
  {
    WithoutOverride readOnly;
    ASSERT_TRUE(readOnly.Works());
    EXPECT_EQ(Run(RunProcess1), 1);
    EXPECT_EQ(Tail(2), (std::vector<std::string>{"cannot open! Wav_File_Format.txt",
                                                 "err: PeakExtraction が異常終了しました．"}));
    EXPECT_EQ(Run(RunProcess2), 1);
    EXPECT_EQ(Tail(2), (std::vector<std::string>{"err: cannot open! PeakCombination.txt",
                                                 "err: PeakCombination が異常終了しました．"}));
    // Processes 3 and 4 write beside the recording, in a folder that can be written.
    EXPECT_EQ(Run(RunProcess3), 0);
    EXPECT_EQ(Run(RunProcess4), 0);
    EXPECT_EQ(Wav2Mid(), 1);
    EXPECT_EQ(folder_.Log().back(), "err: PeakExtraction が異常終了しました．");
  }
  ASSERT_EQ(chmod(folder_.path().c_str(), 0755), 0);
  EXPECT_EQ(All(), before);
  EXPECT_EQ(Wav2Mid(), 0) << folder_.LogText();
  EXPECT_EQ(All(), before);
}

TEST_F(FaultTest, AFullDiskFailsEachStageAndKeepsItsPreviousFile) {
  ASSERT_EQ(Wav2Mid(), 0) << folder_.LogText();
  const Snapshot before = All();
  ASSERT_GT(ReadFile(folder_.File("PeakExtraction.txt")).size(), 8000u);
  struct Stage {
    int (*command)(Session&, ProcessHost&);
    rlim_t room;
    std::vector<std::string> lines;
  };
  const std::vector<Stage> stages = {
      {RunProcess1,
       8000,
       {"err: cannot write! PeakExtraction.txt", "err: PeakExtraction が異常終了しました．"}},
      {RunProcess2,
       1000,
       {"err: cannot open! PeakCombination.txt", "err: PeakCombination が異常終了しました．"}},
      {RunProcess3, 60, {"err: cannnot open file", "err: PitchRecognition が異常終了しました．"}},
      {RunProcess4,
       30,
       {"err: Cannot open file: [" + wave_ + ".mid]", "err: ConvertTxt2Mid が異常終了しました．"}},
  };
  for (const Stage& stage : stages) {
    {
      DiskFullPast full(stage.room);
      EXPECT_EQ(Run(stage.command), 1);
    }
    EXPECT_EQ(Tail(2), stage.lines) << folder_.LogText();
    EXPECT_EQ(All(), before);
  }
  // The settings file that is reset when it fails the checks: its backup does not fit, so the
  // user's file stays, and the defaults still hold in memory.
  const std::string settings = folder_.File(kSettingsFileName);
  testing::WriteFile(settings, "FrameRate 0");
  {
    DiskFullPast full(5);
    EXPECT_EQ(Run(RunProcess1), 1);
  }
  EXPECT_EQ(ReadFile(settings), "FrameRate 0");
  EXPECT_EQ(folder_.session().settings, DefaultSettings());
  EXPECT_EQ(Tail(2),
            (std::vector<std::string>{
                "% err: 変更された変数が不自然です．",
                "err: 設定変更.txt.bak を書き込めないため，設定変更.txt をそのままにしました．"}));
  EXPECT_EQ(ResetSettings(folder_.session()), 0);
  EXPECT_EQ(Wav2Mid(), 0) << folder_.LogText();
  std::filesystem::remove(folder_.File(kSettingsBackupName));
  EXPECT_EQ(All(), before);
}

TEST_F(FaultTest, AReadErrorPartWayFailsTheStageAndKeepsItsPreviousResult) {
  ASSERT_EQ(Wav2Mid(), 0) << folder_.LogText();
  const Snapshot before = All();
  const std::string peaks = folder_.File("PeakExtraction.txt");
  const std::string lumps = folder_.File("PeakCombination.txt");
  const std::string script = wave_ + ".txt";
  auto half = [](const std::string& path) {
    return static_cast<int64_t>(ReadFile(path).size() / 2);
  };
  const std::string eio = " (Input/output error)";
  struct Case {
    const char* name;
    std::string file;
    int64_t goodBytes;
    std::function<int()> run;
    std::vector<std::string> lines;
  };
  const std::vector<Case> cases = {
      {"the recording in process 1",
       wave_,
       half(wave_),
       [&] { return Run(RunProcess1); },
       {"err: cannot read! " + wave_ + eio, "err: PeakExtraction が異常終了しました．"}},
      // The pass reads the peak file that it would rewrite.
      {"the peak file in proposed method 1",
       peaks,
       half(peaks),
       [&] { return ProposedMethod1Pass(folder_.session()); },
       {"err: cannot read! PeakExtraction.txt" + eio}},
      {"the peak file in process 2",
       peaks,
       half(peaks),
       [&] { return Run(RunProcess2); },
       {"err: cannot read! PeakExtraction.txt" + eio, "err: PeakCombination が異常終了しました．"}},
      {"the lump file in process 3",
       lumps,
       half(lumps),
       [&] { return Run(RunProcess3); },
       {"err: cannot read! PeakCombination.txt" + eio,
        "err: PitchRecognition が異常終了しました．"}},
      // The recording's path in the lump file's header names the note script and the MIDI file.
      {"the lump file's header in process 4",
       lumps,
       20,
       [&] { return Run(RunProcess4); },
       {"err: cannot read! PeakCombination.txt" + eio, "err: ConvertTxt2Mid が異常終了しました．"}},
      {"the note script in process 4",
       script,
       half(script),
       [&] { return Run(RunProcess4); },
       {"err: cannot read! " + script + eio, "err: ConvertTxt2Mid が異常終了しました．"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    {
      testing::FailingReads failing(c.file, c.goodBytes);
      EXPECT_EQ(c.run(), 1);
      EXPECT_GT(failing.Failures(), 0);
    }
    EXPECT_EQ(Tail(c.lines.size()), c.lines) << folder_.LogText();
    EXPECT_EQ(All(), before);
  }
}

TEST_F(FaultTest, FoldersThatDisappearBetweenTwoProcesses) {
  ASSERT_EQ(Wav2Mid(), 0) << folder_.LogText();
  const Snapshot before = All();
  const std::string gone = folder_.File("gone");
  // The result folder goes while the figure of process 1 is drawn.
  folder_.host().afterProcess1 = [&] { std::filesystem::rename(results_, gone); };
  EXPECT_EQ(Wav2Mid(), 1);
  EXPECT_EQ(Tail(2), (std::vector<std::string>{"err: cannnot open file",
                                               "err: PitchRecognition が異常終了しました．"}));
  std::filesystem::rename(gone, results_);
  EXPECT_EQ(ReadFile(wave_ + ".mid"), before.at(wave_ + ".mid"));
  EXPECT_EQ(ReadFile(wave_ + ".txt"), before.at(wave_ + ".txt"));

  // The program directory goes, and is replaced by a file: process 2 cannot find its settings
  // and stops with that line under the story of process 1.
  const std::string program = folder_.path().substr(0, folder_.path().size() - 1);
  const std::string moved = program + ".moved";
  folder_.host().afterProcess1 = [&] {
    std::filesystem::rename(program, moved);
    testing::WriteFile(program, "not a folder");
  };
  EXPECT_EQ(Wav2Mid(), 1);
  EXPECT_EQ(Tail(2), (std::vector<std::string>{"..Complete!", "err: cannot open! 設定変更.txt"}));
  std::filesystem::remove(program);
  std::filesystem::rename(moved, program);

  folder_.host().afterProcess1 = nullptr;
  EXPECT_EQ(Wav2Mid(), 0) << folder_.LogText();
  EXPECT_EQ(All(), before);
}

// The same faults under the wav2mid command, run as its own process.
class Wav2MidFaultTest : public FaultTest {
 protected:
  // Runs wav2mid through the shell, after `prefix` (limits, a privilege drop).
  int Command(const std::string& prefix, std::string& output) {
    const std::string command = prefix + " '" + TONVALE_WAV2MID + "' --workdir '" + folder_.path() +
                                "' '" + wave_ + "' 2>&1";
    output.clear();
    std::FILE* pipe = popen(("bash -c \"" + command + "\"").c_str(), "r");
    if (pipe == nullptr) return -1;
    char buffer[4096];
    size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) output.append(buffer, n);
    const int status = pclose(pipe);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }
};

TEST_F(Wav2MidFaultTest, ReadOnlyFolderAndFullDiskUnderTheCommandLine) {
  std::string output;
  ASSERT_EQ(Command("", output), 0) << output;
  const Snapshot before = All();

  // setpriv clears the bounding set, so that root keeps no capability through exec.
  const bool root = geteuid() == 0;
  if (!root || std::system("setpriv --bounding-set=-all true >/dev/null 2>&1") == 0) {
    ASSERT_EQ(chmod(folder_.path().c_str(), 0555), 0);
    EXPECT_EQ(Command(root ? "setpriv --bounding-set=-all --inh-caps=-all" : "", output), 1);
    ASSERT_EQ(chmod(folder_.path().c_str(), 0755), 0);
    EXPECT_NE(output.find("cannot open! Wav_File_Format.txt"), std::string::npos) << output;
    EXPECT_NE(output.find("not converted"), std::string::npos) << output;
    EXPECT_EQ(All(), before);
  }

  // ulimit -f counts blocks of 1024 bytes; an ignored SIGXFSZ stays ignored through exec.
  EXPECT_EQ(Command("trap '' XFSZ; ulimit -f 8;", output), 1);
  EXPECT_NE(output.find("err: cannot write! PeakExtraction.txt"), std::string::npos) << output;
  EXPECT_EQ(All(), before);

  EXPECT_EQ(Command("", output), 0) << output;
  EXPECT_EQ(All(), before);
}

}  // namespace
}  // namespace tonvale
