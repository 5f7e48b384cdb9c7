// The built wav2mid executable, run on generated recordings in a temporary work folder.
#include <gtest/gtest.h>
#include <sndfile.h>
#include <sys/wait.h>

#include <cstdio>
#include <string>
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
  for (const char* process : {"1", "2"}) {
    const std::string png = wave + ".process" + process + ".png";
    EXPECT_EQ(PngSize(png), std::make_pair(563, 280)) << png;
    EXPECT_NE(main.out.find("wav2mid: wrote " + png), std::string::npos) << main.out;
  }
  // Pictures never need a display, whatever platform the session asks Qt for.
  Outcome enlarged = Run("-q --figures=enlarged --workdir " + Quote(work_) + " " + Quote(wave),
                         "QT_QPA_PLATFORM=xcb DISPLAY=");
  EXPECT_EQ(enlarged.status, 0) << enlarged.out << enlarged.err;
  EXPECT_EQ(PngSize(wave + ".process1.png"), std::make_pair(1102, 660));
  EXPECT_EQ(PngSize(wave + ".process2.png"), std::make_pair(1102, 660));
#else
  Outcome refused = Run("--figures --workdir " + Quote(work_) + " " + Quote(wave));
  EXPECT_EQ(refused.status, 2);
  EXPECT_NE(refused.err.find("draws no figures"), std::string::npos);
#endif
  Outcome bad = Run("--figures=tiny " + Quote(wave));
  EXPECT_EQ(bad.status, 2);
  EXPECT_NE(bad.err.find("--figures takes main or enlarged, not tiny"), std::string::npos);
}

}  // namespace
}  // namespace tonvale
