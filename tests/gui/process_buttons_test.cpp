// The five process buttons of the main window, run through the shared process commands.
#include <gtest/gtest.h>

#include <sndfile.h>

#include <QCursor>
#include <QGuiApplication>
#include <QPushButton>
#include <QTest>

#include "app/settings_file.h"
#include "gui/run_status_bar.h"
#include "main_dialog_fixture.h"
#include "pipeline/process_commands.h"
#include "support/sound_files.h"
#include "wavegen/wave_writer.h"

namespace tonvale {
namespace {

using ProcessButtonsTest = testing::MainDialogFixture;
using Lines = std::vector<std::string>;

TEST_F(ProcessButtonsTest, EveryProcessStopsAtTheMissingSettingsFile) {
  for (int button : {kIdProcess1, kIdProcess2, kIdProcess3, kIdProcess4, kIdWav2Mid}) {
    Click(button);
    EXPECT_EQ(Log().back(), "err: cannot open! 設定変更.txt") << button;
  }
}

TEST_F(ProcessButtonsTest, PeakClusteringWithoutAPeakFileSaysSo) {
  ResetSettings(session_);
  const int plotBefore = session_.mainFigure.PlotNum;
  Click(kIdProcess2);
  EXPECT_EQ(Log(),
            (Lines{"% プロセス 2", "プロセス 1 で抽出したピーク周波数をクラスタリングします．",
                   "err: PeakExtraction.txt がありません．"}));
  EXPECT_EQ(session_.mainFigure.PlotNum, plotBefore) << "nothing was plotted";
}

TEST_F(ProcessButtonsTest, PeakExtractionNeedsAnOpenDevice) {
  ResetSettings(session_);
  window_->ControlAs<QLineEdit>(kIdPathField)->setText(QString::fromStdString(song_));
  Click(kIdProcess1);
  EXPECT_EQ(Log(), (Lines{"% プロセス 1", "wave ファイルからスペクトルピークを抽出します．",
                          "err: 解析する wave ファイルが見当たりません．"}));
  EXPECT_EQ(window_->SelectedPath(), song_) << "the path field was taken";
}

TEST_F(ProcessButtonsTest, PeakExtractionStopsAMidiFilesPlaybackAndRefusesIt) {
  ResetSettings(session_);
  const std::string midi = song_ + ".mid";
  testing::WriteFile(midi, "MThd");
  OpenFile(song_);
  Click(kIdMidi);
  Click(kIdPlay);
  device_.TakeCalls();
  bool busyWhileStopping = false;
  device_.onStop = [&] {
    busyWhileStopping = QGuiApplication::overrideCursor() != nullptr &&
                        QGuiApplication::overrideCursor()->shape() == Qt::BusyCursor;
  };

  Click(kIdProcess1);
  EXPECT_EQ(device_.TakeCalls(), Lines{"stop"});
  EXPECT_TRUE(busyWhileStopping) << "the busy cursor shows while a command runs";
  EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr) << "and goes away afterwards";
  EXPECT_EQ(Log(), (Lines{"% プロセス 1", "wave ファイルからスペクトルピークを抽出します．",
                          "err: 指定したファイルが wave ではありません．"}));
  // The player's own flags are untouched by the processes' stop.
  EXPECT_EQ(Flags(), std::make_tuple(true, true, false));
  EXPECT_TRUE(dialogs_.boxes.empty());
}

TEST_F(ProcessButtonsTest, PeakExtractionRunsOnASilentDevice) {
  ResetSettings(session_);
  const DeviceStatus none = DeviceStatus::NoAudioOutput("no audio output on this build");
  device_.openAnswer = device_.stopAnswer = device_.closeAnswer = none;
  OpenFile(song_);
  Click(kIdProcess1);
  // Past the device test: the stage itself refuses the four-byte file.
  std::vector<std::string> log = Log();
  ASSERT_GE(log.size(), 3u);
  EXPECT_EQ(log[0], "% プロセス 1");
  EXPECT_EQ(log.back(), "err: PeakExtraction が異常終了しました．");
  EXPECT_TRUE(Running());
}

TEST_F(ProcessButtonsTest, Wav2MidConvertsTheSelectedFileAndMidiSelectsTheResult) {
  ResetSettings(session_);
  std::vector<wavegen::Tone> tones = {
      {.frequency = wavegen::MidiNoteFrequency(60), .start = 0.1, .duration = 0.6},
      {.frequency = wavegen::MidiNoteFrequency(67), .start = 0.8, .duration = 0.6}};
  ASSERT_TRUE(wavegen::WriteWave(song_, tones, 1.6, {.sampleRate = 22050}));
  OpenFile(song_);
  Click(kIdWav2Mid);
  EXPECT_EQ(Log(),
            (Lines{"% \"wav2mid\" コンプリート！", "", "wave の認識結果を MIDI に出力しました．",
                   "出力ファイルは wave ファイルと同じフォルダにあります.",
                   "ラジオボタンの midi にチェックして試聴してみてください．"}));
  EXPECT_EQ(session_.mainFigure.PlotNum, 3) << "process 3 asked for its notes last";
  EXPECT_TRUE(testing::FileExists(song_ + ".txt"));

  device_.TakeCalls();
  Click(kIdMidi);
  EXPECT_EQ(PathField(), song_ + ".mid");
  EXPECT_EQ(device_.TakeCalls(), (Lines{"stop", "close", "open midi " + song_ + ".mid"}));
  EXPECT_EQ(testing::ReadFile(song_ + ".mid").substr(0, 4), "MThd");
}

TEST_F(ProcessButtonsTest, ARunKeepsTheWindowUsableAndEscCancelsItKeepingThePreviousFiles) {
  ResetSettings(session_);
  ASSERT_TRUE(wavegen::WriteWave(song_, {{440.0, 0.1, 0.8, 0.5, 3}}, 1.0));
  OpenFile(song_);
  Click(kIdWav2Mid);
  const std::string files[] = {dir_.File("PeakExtraction.txt"), dir_.File("PeakCombination.txt"),
                               song_ + ".txt", song_ + ".mid"};
  std::vector<std::string> before;
  for (const std::string& file : files) before.push_back(testing::ReadFile(file));

  // Long enough that the first process is still under way when Esc arrives.
  ASSERT_TRUE(wavegen::WriteWave(song_, {{330.0, 0.1, 20.0, 0.5, 3}}, 30.0));
  window_->ControlAs<QAbstractButton>(kIdWav2Mid)->click();
  ASSERT_TRUE(window_->RunInProgress());
  for (int id : {kIdProcess1, kIdProcess2, kIdProcess3, kIdProcess4, kIdWav2Mid, kIdLoad, kIdReset,
                 kIdPlot1, kIdPlot2, kIdChmod}) {
    EXPECT_FALSE(window_->Control(id)->isEnabled()) << id;
  }
  for (int id : {kIdPlay, kIdStop, kIdOpenFile, kIdPlotHere}) {
    EXPECT_TRUE(window_->Control(id)->isEnabled()) << id;
  }
  EXPECT_TRUE(window_->StatusBar()->CancelButton()->isEnabled());
  QTest::keyClick(window_.get(), Qt::Key_Escape);
  window_->WaitForRun();

  EXPECT_FALSE(window_->RunInProgress());
  EXPECT_EQ(Log().front(), "% プロセス 1");
  EXPECT_EQ(Log().back(), kCancelledLine);
  for (size_t i = 0; i < std::size(files); ++i) {
    EXPECT_EQ(testing::ReadFile(files[i]), before[i]) << files[i];
  }
  EXPECT_TRUE(window_->Control(kIdWav2Mid)->isEnabled());
  EXPECT_FALSE(window_->StatusBar()->CancelButton()->isEnabled());
  EXPECT_TRUE(window_->StatusBar()->Text().isEmpty());
  EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
  EXPECT_TRUE(Running());
}

TEST_F(ProcessButtonsTest, TheStripNamesTheProcessAndHowFarItIs) {
  RunStatusBar* strip = window_->StatusBar();
  strip->ShowProgress(3, 42);
  EXPECT_EQ(strip->Text(), "3. pitch recognition  42 %");
  EXPECT_EQ(strip->Percent(), 42);
  strip->ShowIdle();
  EXPECT_TRUE(strip->Text().isEmpty());
}

TEST_F(ProcessButtonsTest, Wav2MidConvertsAFlacFileAndTheRadioButtonsSwitchToItsMidiFile) {
  ResetSettings(session_);
  const std::string flac = dir_.File("song.Flac");
  ASSERT_TRUE(testing::WriteSoundFile(
      flac, SF_FORMAT_FLAC | SF_FORMAT_PCM_24, 22050,
      {wavegen::Render({{.frequency = 440.0, .start = 0.1, .duration = 0.6}}, 1.0, 22050)}));
  OpenFile(flac);
  Click(kIdWav2Mid);
  EXPECT_EQ(Log().front(), "% \"wav2mid\" コンプリート！");
  EXPECT_NE(testing::ReadFile(flac + ".txt").find("a-3"), std::string::npos);
  Click(kIdMidi);
  EXPECT_EQ(PathField(), flac + ".mid");
  Click(kIdWave);
  EXPECT_EQ(PathField(), flac);
}

}  // namespace
}  // namespace tonvale
