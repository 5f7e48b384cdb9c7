#include "pipeline/process_commands.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <string>
#include <vector>

#include "app/settings_file.h"
#include "support/fake_process_host.h"
#include "support/temp_dir.h"
#include "wavegen/wave_writer.h"

namespace tonvale {
namespace {

using Lines = std::vector<std::string>;

class ProcessCommandsTest : public ::testing::Test {
 protected:
  ProcessCommandsTest() : session_(dir_.path()) {
    EXPECT_EQ(ResetSettings(session_), 0);
    host_.field = wave_;
  }

  // A second of A4 with a few harmonics.
  void WriteTone(const std::string& path) {
    ASSERT_TRUE(wavegen::WriteWave(path, {{440.0, 0.1, 0.8, 0.5, 3}}, 1.0));
  }
  Lines Log() const { return session_.log.Lines(); }

  testing::TempDir dir_;
  Session session_;
  testing::FakeProcessHost host_;
  const std::string wave_ = dir_.File("song.wav");
};

TEST_F(ProcessCommandsTest, ProcessOneNeedsAnOpenDeviceAndAWaveName) {
  host_.deviceOpen = false;
  EXPECT_EQ(RunProcess1(session_, host_), 1);
  EXPECT_EQ(Log(), (Lines{"% プロセス 1", "wave ファイルからスペクトルピークを抽出します．",
                          "err: 解析する wave ファイルが見当たりません．"}));

  // A MIDI file in the player: its playback is stopped, then it is refused.
  host_.deviceOpen = true;
  host_.field = dir_.File("song.wav.mid");
  EXPECT_EQ(RunProcess1(session_, host_), 1);
  EXPECT_EQ(host_.stops, 2);
  EXPECT_EQ(Log().back(), "err: 指定したファイルが wave ではありません．");
  host_.field = dir_.File("song.m4a");
  EXPECT_EQ(RunProcess1(session_, host_), 1);
  EXPECT_EQ(Log().back(), "err: 指定したファイルが wave ではありません．");
  host_.field = "x";
  EXPECT_EQ(RunProcess1(session_, host_), 1);
  EXPECT_EQ(Log().back(), "err: 解析する wave ファイルが見当たりません．");
  EXPECT_EQ(host_.plots1, 0);
  EXPECT_FALSE(testing::FileExists(dir_.File("PeakExtraction.txt")));

  WriteTone(dir_.File("song.WAV"));
  host_.field = dir_.File("song.WAV");
  EXPECT_EQ(RunProcess1(session_, host_), 0);
  EXPECT_EQ(host_.plots1, 1);
  EXPECT_TRUE(testing::FileExists(dir_.File("PeakExtraction.txt")));
}

TEST_F(ProcessCommandsTest, EveryCommandStopsSilentlyWithoutItsSettings) {
  ASSERT_EQ(std::remove(dir_.File(kSettingsFileName).c_str()), 0);
  for (auto* command : {RunProcess1, RunProcess2, RunProcess3, RunProcess4, RunWav2Mid}) {
    session_.log.ClearLog();
    EXPECT_EQ(command(session_, host_), 1);
    EXPECT_EQ(Log(), (Lines{"err: cannot open! 設定変更.txt"}));
  }
  EXPECT_EQ(host_.stops, 0);
}

TEST_F(ProcessCommandsTest, LaterProcessesNeedTheFileOfTheOneBefore) {
  EXPECT_EQ(RunProcess2(session_, host_), 1);
  EXPECT_EQ(Log(),
            (Lines{"% プロセス 2", "プロセス 1 で抽出したピーク周波数をクラスタリングします．",
                   "err: PeakExtraction.txt がありません．"}));
  EXPECT_EQ(host_.plots2, 0);
  EXPECT_EQ(RunProcess3(session_, host_), 1);
  EXPECT_EQ(Log(), (Lines{"% プロセス 3", "プロセス 2 で推定したピーク集合を用いて音高認識します．",
                          "err: PeakCombination.txt がありません．"}));
  // Without a lump file the WAVE path is empty: the note script would be ".txt".
  EXPECT_EQ(RunProcess4(session_, host_), 1);
  EXPECT_EQ(Log(), (Lines{"% プロセス 4", "プロセス 3 で出力した認識結果から MIDI を生成します．",
                          "err: 認識結果ファイルがありません．"}));
}

TEST_F(ProcessCommandsTest, ProcessFourRefusesWhileTheMidiFileIsSelected) {
  WriteTone(wave_);
  ASSERT_EQ(RunWav2Mid(session_, host_), 0);
  const std::string midi = testing::ReadFile(wave_ + ".mid");
  host_.selected = wave_ + ".mid";  // the "midi" radio button switched to it
  host_.deviceOpen = false;         // even with its playback stopped
  EXPECT_EQ(RunProcess4(session_, host_), 1);
  EXPECT_EQ(Log().back(), "err: デバイスが MIDI を参照しているため変換できません．");
  host_.selected = wave_;
  EXPECT_EQ(RunProcess4(session_, host_), 0);
  EXPECT_EQ(Log().back(), "..Complete!");
  EXPECT_EQ(testing::ReadFile(wave_ + ".mid"), midi);
}

TEST_F(ProcessCommandsTest, Wav2MidLeavesTheFiveSummaryLinesOrTheFailingStagesStory) {
  WriteTone(wave_);
  ASSERT_EQ(RunWav2Mid(session_, host_), 0);
  EXPECT_EQ(Log(),
            (Lines{"% \"wav2mid\" コンプリート！", "", "wave の認識結果を MIDI に出力しました．",
                   "出力ファイルは wave ファイルと同じフォルダにあります.",
                   "ラジオボタンの midi にチェックして試聴してみてください．"}));
  EXPECT_EQ(host_.plots1, 1);
  EXPECT_EQ(host_.plots2, 1);
  EXPECT_TRUE(testing::FileExists(wave_ + ".txt"));
  EXPECT_TRUE(testing::FileExists(wave_ + ".mid"));

  // A lump file that cannot be replaced makes process 2 fail.
  ASSERT_EQ(std::remove(dir_.File("PeakCombination.txt").c_str()), 0);
  ASSERT_EQ(mkdir(dir_.File("PeakCombination.txt").c_str(), 0700), 0);
  EXPECT_EQ(RunWav2Mid(session_, host_), 1);
  ASSERT_GE(Log().size(), 4u);
  EXPECT_EQ(Log()[0], "% プロセス 2");
  EXPECT_EQ(Log()[2], "..Combine peaks by the cost minimum");
  EXPECT_EQ(Log()[Log().size() - 2], "err: cannot open! PeakCombination.txt");
  EXPECT_EQ(Log().back(), "err: PeakCombination が異常終了しました．");
  EXPECT_EQ(host_.plots1, 2);
  EXPECT_EQ(host_.plots2, 1);
}

// Cancels the run as soon as process `at` reports its start.
class CancelAtProcess : public RunProgress::Observer {
 public:
  CancelAtProcess(RunProgress& progress, int at) : progress_(progress), at_(at) {}
  void OnProgress(int process, int) override {
    if (process == at_) progress_.Cancel();
  }

 private:
  RunProgress& progress_;
  int at_;
};

TEST_F(ProcessCommandsTest, ACancelledRunSaysSoAndKeepsEveryPreviousFile) {
  WriteTone(wave_);
  ASSERT_EQ(RunWav2Mid(session_, host_), 0);
  const std::string files[] = {dir_.File("PeakExtraction.txt"), dir_.File("PeakCombination.txt"),
                               wave_ + ".txt", wave_ + ".mid"};
  std::vector<std::string> before;
  for (const std::string& file : files) before.push_back(testing::ReadFile(file));

  // A different recording, so that any file the run completed would differ.
  ASSERT_TRUE(wavegen::WriteWave(wave_, {{660.0, 0.1, 0.8, 0.5, 3}}, 1.0));
  for (int process = 1; process <= 4; ++process) {
    SCOPED_TRACE(process);
    Session run(dir_.path());
    CancelAtProcess cancel(run.progress, process);
    run.progress.SetObserver(&cancel);
    EXPECT_EQ(RunWav2Mid(run, host_), 1);
    const Lines log = run.log.Lines();
    ASSERT_GE(log.size(), 2u);
    EXPECT_EQ(log.front(), "% プロセス " + std::to_string(process));
    EXPECT_EQ(log.back(), kCancelledLine);
    // The processes before the cancelled one finished and replaced their own files.
    for (size_t i = static_cast<size_t>(process) - 1; i < std::size(files); ++i) {
      EXPECT_EQ(testing::ReadFile(files[i]), before[i]) << files[i];
    }
    if (process > 1) {
      EXPECT_NE(testing::ReadFile(files[0]), before[0]);
    }
  }
}

// The note names of the script's note-on lines, in order.
Lines NoteOns(const std::string& script) {
  Lines names;
  size_t at = script.find("tone");
  while ((at = script.find('\n', at)) != std::string::npos) {
    ++at;
    char name[16];
    int delta, volume;
    if (std::sscanf(script.c_str() + at, "%d %15s %d", &delta, name, &volume) == 3 && volume > 0) {
      names.push_back(name);
    }
  }
  return names;
}

TEST_F(ProcessCommandsTest, ConvertsGeneratedRecordingsIntoTheirNotes) {
  WriteTone(wave_);
  ASSERT_EQ(RunWav2Mid(session_, host_), 0);
  Lines tone = NoteOns(testing::ReadFile(wave_ + ".txt"));
  ASSERT_FALSE(tone.empty());
  EXPECT_EQ(tone.front(), "a-3");

  // C major from middle C (c-3 here, MIDI note 60) up, a quarter second each.
  std::vector<wavegen::Tone> scale;
  const int notes[] = {60, 62, 64, 65, 67, 69, 71, 72};
  for (int i = 0; i < 8; ++i) {
    scale.push_back({wavegen::MidiNoteFrequency(notes[i]), 0.1 + 0.3 * i, 0.25, 0.5, 1});
  }
  const std::string scaleWave = dir_.File("スケール.wav");
  ASSERT_TRUE(wavegen::WriteWave(scaleWave, scale, 2.6));
  host_.field = scaleWave;
  ASSERT_EQ(RunWav2Mid(session_, host_), 0);
  EXPECT_EQ(NoteOns(testing::ReadFile(scaleWave + ".txt")),
            (Lines{"c-3", "d-3", "e-3", "f-3", "g-3", "a-3", "b-3", "c-4"}));
}

}  // namespace
}  // namespace tonvale
