// The built wav2mid executable, run on generated recordings in a temporary work folder.
#include <gtest/gtest.h>
#include <sndfile.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <sstream>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "app/settings_file.h"
#include "support/sound_files.h"
#include "support/temp_dir.h"
#include "wavegen/wave_writer.h"

namespace tonvale {
namespace {

struct Outcome {
  int status = -1;
  std::string out;
  std::string err;
};

class Wav2MidCliTest : public ::testing::Test {
 protected:
  // `environment` holds NAME=value words set for this run only.
  Outcome Run(const std::string& arguments, const std::string& environment = "") {
    const std::string errPath = dir_.File("stderr.txt");
    const std::string command = "env " + environment + " " + std::string(TONVALE_WAV2MID) + " " +
                                arguments + " 2>'" + errPath + "'";
    Outcome outcome;
    std::FILE* pipe = popen(command.c_str(), "r");
    if (pipe == nullptr) return outcome;
    char buffer[4096];
    size_t n;
    while ((n = fread(buffer, 1, sizeof buffer, pipe)) > 0) outcome.out.append(buffer, n);
    const int status = pclose(pipe);
    outcome.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    outcome.err = testing::ReadFile(errPath);
    return outcome;
  }

  std::string Tone(const std::string& name, double frequency) {
    const std::string path = dir_.File(name);
    EXPECT_TRUE(wavegen::WriteWave(path, {{frequency, 0.1, 0.6, 0.5, 2}}, 0.8));
    return path;
  }

  std::string Quote(const std::string& path) { return "'" + path + "'"; }

  testing::TempDir dir_;
  const std::string work_ = dir_.File("work");
};

TEST_F(Wav2MidCliTest, ExplainsItselfAndRefusesBadArguments) {
  Outcome help = Run("--help");
  EXPECT_EQ(help.status, 0);
  EXPECT_NE(help.out.find("usage: wav2mid [--workdir DIR] [--quiet] [--figures[=enlarged]] "
                          "FILE.wav..."),
            std::string::npos);
  Outcome version = Run("--version");
  EXPECT_EQ(version.status, 0);
  EXPECT_EQ(version.out.substr(0, version.out.find('\n')),
            "wav2mid (Tonvale) " TONVALE_PROJECT_VERSION);
  Outcome none = Run("");
  EXPECT_EQ(none.status, 2);
  EXPECT_NE(none.err.find("wav2mid: no WAVE file given"), std::string::npos);
  Outcome folder = Run("--workdir " + Quote(dir_.File("nowhere")) + " a.wav");
  EXPECT_EQ(folder.status, 1);
  EXPECT_NE(folder.err.find("does not exist"), std::string::npos);
}

TEST_F(Wav2MidCliTest, WritesDefaultSettingsThenConvertsTellingTheWholeStory) {
  ASSERT_EQ(mkdir(work_.c_str(), 0700), 0);
  const std::string wave = Tone("a4.wav", 440.0);
  Outcome outcome = Run("--workdir " + Quote(work_) + " " + Quote(wave));
  EXPECT_EQ(outcome.status, 0) << outcome.out << outcome.err;
  EXPECT_NE(outcome.out.find("wav2mid: there was no settings file; wrote the defaults to " + work_ +
                             "/" + kSettingsFileName),
            std::string::npos);
  EXPECT_EQ(testing::ReadFile(work_ + "/" + kSettingsFileName), DefaultSettingsFileBytes());
  for (const char* line : {"% プロセス 1", "% プロセス 2", "% プロセス 3", "% プロセス 4",
                           "..Recognized notes", "% \"wav2mid\" コンプリート！"}) {
    EXPECT_NE(outcome.out.find(line), std::string::npos) << line;
  }
  EXPECT_NE(outcome.out.find("wav2mid: wrote " + wave + ".mid"), std::string::npos);
  EXPECT_EQ(outcome.err.find("wav2mid:"), std::string::npos) << outcome.err;
  EXPECT_TRUE(testing::FileExists(work_ + "/PeakCombination.txt"));
  EXPECT_NE(testing::ReadFile(wave + ".txt").find("a-3"), std::string::npos);
  EXPECT_TRUE(testing::FileExists(wave + ".mid"));
}

TEST_F(Wav2MidCliTest, ABadFileDoesNotStopTheOthers) {
  ASSERT_EQ(mkdir(work_.c_str(), 0700), 0);
  const std::string first = Tone("first.wav", 440.0);
  const std::string second = Tone("second.wav", 523.25);
  const std::string missing = dir_.File("missing.wav");
  Outcome outcome = Run("--workdir " + Quote(work_) + " " + Quote(first) + " " + Quote(missing) +
                        " " + Quote(second));
  EXPECT_EQ(outcome.status, 1);
  EXPECT_TRUE(testing::FileExists(first + ".mid"));
  EXPECT_TRUE(testing::FileExists(second + ".mid"));
  EXPECT_FALSE(testing::FileExists(missing + ".mid"));
  EXPECT_NE(
      outcome.err.find("wav2mid: " + missing + ": err: 解析する wave ファイルが見当たりません．"),
      std::string::npos)
      << outcome.err;
  EXPECT_NE(outcome.err.find("wav2mid: " + missing + ": not converted"), std::string::npos);
  EXPECT_NE(outcome.out.find("wav2mid: converted 2 of 3 files"), std::string::npos);
}

TEST_F(Wav2MidCliTest, ConvertsEveryFormatItReadsAndNamesTheResultsAfterTheWholeName) {
  ASSERT_EQ(mkdir(work_.c_str(), 0700), 0);
  const std::vector<double> tone = wavegen::Render({{440.0, 0.1, 0.6, 0.5, 2}}, 0.8, 44100);
  const std::string flac = dir_.File("song.FLAC");
  const std::string mp3 = dir_.File("song.mp3");
  ASSERT_TRUE(testing::WriteSoundFile(flac, SF_FORMAT_FLAC | SF_FORMAT_PCM_24, 44100, {tone}));
  ASSERT_TRUE(
      testing::WriteSoundFile(mp3, SF_FORMAT_MPEG | SF_FORMAT_MPEG_LAYER_III, 44100, {tone}));
  const std::string noise = dir_.File("noise.mp3");
  testing::WriteFile(noise, std::string(3000, '\x5A'));
  Outcome outcome = Run("-q --workdir " + Quote(work_) + " " + Quote(flac) + " " + Quote(mp3) +
                        " " + Quote(noise));
  EXPECT_EQ(outcome.status, 1);
  for (const std::string& converted : {flac, mp3}) {
    EXPECT_NE(testing::ReadFile(converted + ".txt").find("a-3"), std::string::npos) << converted;
    EXPECT_TRUE(testing::FileExists(converted + ".mid")) << converted;
  }
  EXPECT_NE(outcome.err.find("wav2mid: " + noise + ": err: 録音ファイルとして読めません．" + noise +
                             " (libsndfile: "),
            std::string::npos)
      << outcome.err;
  EXPECT_FALSE(testing::FileExists(noise + ".mid"));
  EXPECT_NE(outcome.out.find("wav2mid: converted 2 of 3 files"), std::string::npos);
}

TEST_F(Wav2MidCliTest, QuietPrintsOnlyErrorsAndTheSummary) {
  ASSERT_EQ(mkdir(work_.c_str(), 0700), 0);
  const std::string good = Tone("good.wav", 440.0);
  const std::string notWave = dir_.File("notes.txt");
  testing::WriteFile(notWave, "not a recording");
  Outcome outcome = Run("-q --workdir " + Quote(work_) + " " + Quote(good) + " " + Quote(notWave));
  EXPECT_EQ(outcome.status, 1);
  const std::string expected =
      "wav2mid: there was no settings file; wrote the defaults to " + work_ + "/" +
      kSettingsFileName +
      "\n"
      "% \"wav2mid\" コンプリート！\n\nwave の認識結果を MIDI に出力しました．\n"
      "出力ファイルは wave ファイルと同じフォルダにあります.\n"
      "ラジオボタンの midi にチェックして試聴してみてください．\n"
      "wav2mid: wrote " +
      good +
      ".mid\n"
      "err: 指定したファイルが wave ではありません．\n"
      "wav2mid: converted 1 of 2 files\n";
  EXPECT_EQ(outcome.out, expected);
  // The numeric kit writes its own diagnostics to the standard error stream too.
  EXPECT_NE(
      outcome.err.find("wav2mid: " + notWave + ": err: 指定したファイルが wave ではありません．\n" +
                       "wav2mid: " + notWave + ": not converted\n"),
      std::string::npos)
      << outcome.err;
}

// Width and height from the header of a PNG file; 0 x 0 when it is none.
[[maybe_unused]] std::pair<int, int> PngSize(const std::string& path) {
  const std::string bytes = testing::ReadFile(path);
  if (bytes.size() < 24 || bytes.compare(0, 8, "\x89PNG\r\n\x1a\n") != 0) return {0, 0};
  auto be32 = [&](size_t at) {
    int value = 0;
    for (size_t i = 0; i < 4; ++i) value = value * 256 + static_cast<unsigned char>(bytes[at + i]);
    return value;
  };
  return {be32(16), be32(20)};
}

TEST_F(Wav2MidCliTest, FiguresArePicturesBesideTheWaveFile) {
  ASSERT_EQ(mkdir(work_.c_str(), 0700), 0);
  const std::string wave = Tone("a4.wav", 440.0);
#ifdef TONVALE_CLI_FIGURES
  Outcome main = Run("-q --figures --workdir " + Quote(work_) + " " + Quote(wave));
  EXPECT_EQ(main.status, 0) << main.out << main.err;
  for (const char* figure : {".process1", ".process2", ".notes"}) {
    const std::string png = wave + figure + ".png";
    EXPECT_EQ(PngSize(png), std::make_pair(563, 280)) << png;
    EXPECT_NE(main.out.find("wav2mid: wrote " + png), std::string::npos) << main.out;
  }
  // Pictures never need a display, whatever platform the session asks Qt for.
  Outcome enlarged = Run("-q --figures=enlarged --workdir " + Quote(work_) + " " + Quote(wave),
                         "QT_QPA_PLATFORM=xcb DISPLAY=");
  EXPECT_EQ(enlarged.status, 0) << enlarged.out << enlarged.err;
  EXPECT_EQ(PngSize(wave + ".process1.png"), std::make_pair(1102, 660));
  EXPECT_EQ(PngSize(wave + ".process2.png"), std::make_pair(1102, 660));
  EXPECT_EQ(PngSize(wave + ".notes.png"), std::make_pair(1102, 660));
#else
  Outcome refused = Run("--figures --workdir " + Quote(work_) + " " + Quote(wave));
  EXPECT_EQ(refused.status, 2);
  EXPECT_NE(refused.err.find("draws no figures"), std::string::npos);
#endif
  Outcome bad = Run("--figures=tiny " + Quote(wave));
  EXPECT_EQ(bad.status, 2);
  EXPECT_NE(bad.err.find("--figures takes main or enlarged, not tiny"), std::string::npos);
}

// A library converted two files at a time, folders searched below, gives the very files that
// converting one file at a time gives; every file works in a temporary folder of its own, which
// is gone afterwards.
TEST_F(Wav2MidCliTest, FoldersAndJobsGiveWhatOneFileAtATimeGives) {
  ASSERT_EQ(mkdir(work_.c_str(), 0700), 0);
  const std::string library = dir_.File("library");
  const std::string temp = dir_.File("tmp");
  for (const std::string& folder : {library, library + "/b", library + "/b/c", temp}) {
    ASSERT_EQ(mkdir(folder.c_str(), 0700), 0);
  }
  const std::vector<std::string> waves = {Tone("library/one.wav", 440.0),
                                          Tone("library/b/two.WAV", 523.25),
                                          Tone("library/b/c/three.wav", 659.26)};
  testing::WriteFile(library + "/b/notes.txt", "not a recording");
  std::vector<std::string> alone;
  for (const std::string& wave : waves) {
    ASSERT_EQ(Run("-q -j 1 --workdir " + Quote(work_) + " " + Quote(wave)).status, 0);
    alone.push_back(testing::ReadFile(wave + ".mid") + testing::ReadFile(wave + ".txt"));
    std::remove((wave + ".mid").c_str());
  }
  // A single file with --workdir keeps its work files there; several never do.
  ASSERT_EQ(std::remove((work_ + "/PeakExtraction.txt").c_str()), 0);
  Outcome together =
      Run("-q -j 2 --workdir " + Quote(work_) + " " + Quote(library), "TMPDIR=" + temp);
  EXPECT_EQ(together.status, 0) << together.out << together.err;
  EXPECT_NE(together.out.find("wav2mid: converted 3 of 3 files"), std::string::npos);
  for (size_t i = 0; i < waves.size(); ++i) {
    EXPECT_EQ(testing::ReadFile(waves[i] + ".mid") + testing::ReadFile(waves[i] + ".txt"), alone[i])
        << waves[i];
  }
  // The lines come in the order of the files: the paths sort as b/c/three, b/two, one.
  EXPECT_LT(together.out.find("wrote " + waves[2]), together.out.find("wrote " + waves[1]));
  EXPECT_LT(together.out.find("wrote " + waves[1]), together.out.find("wrote " + waves[0]));
  EXPECT_TRUE(std::filesystem::is_empty(temp));
  EXPECT_FALSE(testing::FileExists(work_ + "/PeakExtraction.txt"));
}

// A run ended by a signal while it converts, or by writing into a pipe whose reader has gone,
// removes the temporary work folders it made, and ends as the signal ends a program.
TEST_F(Wav2MidCliTest, ASignalEndsARunWithoutLeavingItsWorkFolders) {
  ASSERT_EQ(mkdir(work_.c_str(), 0700), 0);
  std::vector<std::string> arguments = {"wav2mid", "-q", "-j", "2", "--workdir", work_};
  for (int i = 0; i < 4; ++i) {
    arguments.push_back(dir_.File("long" + std::to_string(i) + ".wav"));
    ASSERT_TRUE(wavegen::WriteWave(arguments.back(), {{440.0 + 50 * i, 0.0, 60.0, 0.5, 2}}, 60.0));
  }
  for (int signal : {SIGINT, SIGTERM, SIGHUP, SIGPIPE}) {
    const std::string temp = dir_.File("tmp" + std::to_string(signal));
    int output[2];
    ASSERT_EQ(pipe(output), 0);
    ASSERT_EQ(mkdir(temp.c_str(), 0700), 0);
    const std::string tmpdir = "TMPDIR=" + temp;
    std::vector<char*> argv, envp = {const_cast<char*>(tmpdir.c_str()), nullptr};
    for (std::string& argument : arguments) argv.push_back(argument.data());
    argv.push_back(nullptr);
    const pid_t pid = fork();
    if (pid == 0) {
      // The signals as a shell gives them to a command it starts.
      sigset_t all;
      sigfillset(&all);
      sigprocmask(SIG_UNBLOCK, &all, nullptr);
      std::signal(signal, SIG_DFL);
      dup2(output[1], STDOUT_FILENO);
      close(output[0]);
      freopen("/dev/null", "w", stderr);
      execve(TONVALE_WAV2MID, argv.data(), envp.data());
      _exit(127);
    }
    ASSERT_GT(pid, 0);
    for (int wait = 0; wait < 20000 && std::filesystem::is_empty(temp); ++wait) usleep(500);
    EXPECT_FALSE(std::filesystem::is_empty(temp)) << "no work folder was made";
    close(output[1]);
    if (signal == SIGPIPE) {
      close(output[0]);  // the reader goes: the first file's summary line meets a broken pipe
    } else {
      kill(pid, signal);
    }
    int status = 0;
    ASSERT_EQ(waitpid(pid, &status, 0), pid);
    if (signal != SIGPIPE) close(output[0]);
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == signal) << "status " << status;
    EXPECT_TRUE(std::filesystem::is_empty(temp)) << "signal " << signal;
  }
}

// --skip-existing converts only what is new; --json says so, a line for each file.
TEST_F(Wav2MidCliTest, SkipExistingConvertsWhatIsNewerAndJsonLinesSayWhat) {
  ASSERT_EQ(mkdir(work_.c_str(), 0700), 0);
  const std::string done = Tone("done.wav", 440.0);
  const std::string changed = Tone("changed.wav", 523.25);
  const std::string fresh = Tone("fresh.wav", 659.26);
  const std::string broken = dir_.File("broken.wav");
  testing::WriteFile(broken, "RIFF but nothing more");
  ASSERT_EQ(Run("-q --workdir " + Quote(work_) + " " + Quote(done) + " " + Quote(changed)).status,
            0);
  // The recording changed after its MIDI file was written.
  const auto later = std::filesystem::last_write_time(changed + ".mid") + std::chrono::seconds(5);
  std::filesystem::last_write_time(changed, later);

  Outcome outcome = Run("--json --skip-existing --workdir " + Quote(work_) + " " + Quote(done) +
                        " " + Quote(changed) + " " + Quote(fresh) + " " + Quote(broken));
  EXPECT_EQ(outcome.status, 1);
  const std::vector<std::tuple<std::string, std::string, bool>> expected = {
      {done, "skipped", false},
      {changed, "converted", true},
      {fresh, "converted", true},
      {broken, "failed", false}};
  std::istringstream lines(outcome.out);
  std::string line;
  for (const auto& [path, status, hasNotes] : expected) {
    ASSERT_TRUE(std::getline(lines, line)) << outcome.out;
    // The fields in their order; no path here needs escaping.
    size_t at = 0;
    auto field = [&](const std::string& name, const std::string& end) {
      const std::string key = "\"" + name + "\": ";
      if (line.compare(at, key.size(), key) != 0) return std::string("<missing " + name + ">");
      at += key.size();
      const size_t stop = line.find(end, at);
      if (stop == std::string::npos) return std::string("<unended " + name + ">");
      std::string value = line.substr(at, stop - at);
      at = stop + end.size();
      return value;
    };
    ASSERT_EQ(line.substr(0, 1), "{") << line;
    at = 1;
    EXPECT_EQ(field("path", ", "), "\"" + path + "\"") << line;
    EXPECT_EQ(field("status", ", "), "\"" + status + "\"") << line;
    const std::string notes = field("notes", ", ");
    EXPECT_EQ(notes.find_first_not_of("0123456789"), std::string::npos) << line;
    EXPECT_EQ(notes != "0", hasNotes) << line;
    const std::string seconds = field("seconds", ", ");
    EXPECT_TRUE(seconds.size() >= 5 && seconds[seconds.size() - 4] == '.') << line;
    const std::string error = field("error", "}");
    EXPECT_EQ(error == "null", status != "failed") << line;
    EXPECT_TRUE(error == "null" || (error.front() == '"' && error.back() == '"')) << line;
    EXPECT_EQ(at, line.size()) << line;
  }
  EXPECT_FALSE(std::getline(lines, line)) << "only JSON on stdout: " << line;
}

}  // namespace
}  // namespace tonvale
