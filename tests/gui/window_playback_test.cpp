// The main window with the real playback device, heard through SDL's disk driver: what the
// user hears from the player buttons, and the first process stopping the device.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QCoreApplication>
#include <QLabel>
#include <QLineEdit>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "app/settings_file.h"
#include "gui/main_dialog.h"
#include "gui_fakes.h"
#include "playback/sdl_media_device.h"
#include "support/temp_dir.h"
#include "support/waiting.h"
#include "wavegen/wave_writer.h"

namespace tonvale {
namespace {

using Lines = std::vector<std::string>;
using testing::WaitUntil;

class WindowPlaybackTest : public ::testing::Test {
 protected:
  void SetUp() override {
    setenv("SDL_AUDIODRIVER", "disk", 1);
    setenv("SDL_DISKAUDIOFILE", heardPath_.c_str(), 1);
    setenv("SDL_DISKAUDIODELAY", "5", 1);
    ResetSettings(session_);
    // Middle C, then the G above it.
    const std::vector<wavegen::Tone> tones = {
        {.frequency = wavegen::MidiNoteFrequency(60), .start = 0.1, .duration = 0.6},
        {.frequency = wavegen::MidiNoteFrequency(67), .start = 0.8, .duration = 0.6}};
    ASSERT_TRUE(wavegen::WriteWave(song_, tones, 1.6, {.sampleRate = 22050}));
    window_ = std::make_unique<MainDialog>(session_, device_, dialogs_, desktop_);
    window_->show();
  }

  void Click(int id) {
    window_->ControlAs<QAbstractButton>(id)->click();
    window_->WaitForRun();
  }

  void OpenFile(const std::string& path) {
    dialogs_.fileAnswers.push_back(path);
    Click(kIdOpenFile);
  }

  bool Running() const { return !window_->EndResult().has_value() && window_->isVisible(); }

  // The largest sample the output received, once the device has closed it.
  float LoudestHeard() const {
    const std::string bytes = testing::ReadFile(heardPath_);
    float loudest = 0.0f;
    for (size_t i = 0; i + sizeof(float) <= bytes.size(); i += sizeof(float)) {
      float sample;
      std::memcpy(&sample, bytes.data() + i, sizeof(float));
      loudest = std::max(loudest, std::abs(sample));
    }
    return loudest;
  }

  testing::TempDir dir_;
  std::string heardPath_ = dir_.File("heard.f32");
  std::string song_ = dir_.File("song.wav");
  Session session_{dir_.path()};
  SdlMediaDevice device_;
  testing::FakeDialogs dialogs_;
  testing::FakeDesktop desktop_;
  std::unique_ptr<MainDialog> window_;
};

TEST_F(WindowPlaybackTest, TheRecordingAndItsConversionAreHeardAndTheFirstProcessStopsThePlayer) {
  OpenFile(song_);
  Click(kIdPlay);
  ASSERT_TRUE(WaitUntil([&] { return device_.GetProgress().finished; }));
  Click(kIdStop);

  Click(kIdWav2Mid);  // its first process stops the device, which proves a file was chosen
  ASSERT_EQ(session_.log.Lines().front(), "% \"wav2mid\" コンプリート！");

  Click(kIdMidi);  // closes the WAVE device, so its output file is complete
  EXPECT_GT(LoudestHeard(), 0.4f) << "the recording's tones, at half of full scale";
  ASSERT_EQ(window_->SelectedPath(), song_ + ".mid");

  Click(kIdPlay);
  ASSERT_TRUE(WaitUntil([&] { return device_.GetProgress().outputFrames >= 44100; }));
  Click(kIdProcess1);
  EXPECT_EQ(session_.log.Lines(),
            (Lines{"% プロセス 1", "wave ファイルからスペクトルピークを抽出します．",
                   "err: 指定したファイルが wave ではありません．"}));
  // The output writes silence while the device stands; a block begun just before the stop may
  // still be rendered, so the position is taken once the output has gone on a little.
  const int64_t stereoFrame = 2 * sizeof(float);
  ASSERT_TRUE(testing::WaitForGrowth(heardPath_, 2048 * stereoFrame));
  const std::int64_t stoppedAt = device_.GetProgress().outputFrames;
  ASSERT_TRUE(testing::WaitForGrowth(heardPath_, 4096 * stereoFrame));
  EXPECT_EQ(device_.GetProgress().outputFrames, stoppedAt) << "the process stopped the sound";

  window_->close();  // closing the window closes the device
  EXPECT_GT(LoudestHeard(), 0.01f) << "the MIDI file of the conversion sounded";
  EXPECT_TRUE(dialogs_.boxes.empty());
}

TEST_F(WindowPlaybackTest, PlayingEndsWithTheFileAndTheTimeShowsHowFarItCame) {
  OpenFile(song_);
  const QLabel* time = window_->findChild<QLabel*>(kPlaybackTimeName);
  ASSERT_NE(time, nullptr);
  EXPECT_EQ(time->text(), "0:00 / 0:01");  // 1.6 s
  for (int play = 0; play < 2; ++play) {
    Click(kIdPlay);
    EXPECT_TRUE(window_->Playing());
    // Nobody presses "stop": the window learns the end from the device.
    ASSERT_TRUE(WaitUntil([&] {
      QCoreApplication::processEvents();
      return !window_->Playing();
    })) << play;
    EXPECT_TRUE(device_.GetProgress().finished);
    EXPECT_TRUE(window_->DeviceOpen());
    EXPECT_EQ(time->text(), "0:01 / 0:01");
  }
  EXPECT_TRUE(dialogs_.boxes.empty());
  window_->close();
  EXPECT_GT(LoudestHeard(), 0.4f) << "the recording was heard";
}

TEST_F(WindowPlaybackTest, AFileTheDeviceRefusesIsNamedInABoxAndLeavesNothingSelected) {
  const std::string corrupt = dir_.File("corrupt.wav");
  testing::WriteFile(corrupt, std::string("RIFF\x04\0\0\0WAVE", 12));  // no chunks at all
  OpenFile(song_);
  OpenFile(corrupt);
  ASSERT_EQ(dialogs_.boxes.size(), 1u);
  EXPECT_EQ(dialogs_.boxes[0].caption, "ファイルオープンエラー");
  EXPECT_NE(dialogs_.boxes[0].text.find(corrupt), std::string::npos) << dialogs_.boxes[0].text;
  EXPECT_TRUE(Running());
  EXPECT_FALSE(window_->DeviceOpen());
  EXPECT_EQ(window_->SelectedPath(), "");
  EXPECT_EQ(window_->ControlAs<QLineEdit>(kIdPathField)->text(), "");

  Click(kIdProcess1);  // nothing selected: the first process says so
  EXPECT_EQ(session_.log.Lines().back(), "err: 解析する wave ファイルが見当たりません．");
  OpenFile(song_);  // and a good file is taken as before
  EXPECT_TRUE(window_->DeviceOpen());
  EXPECT_EQ(window_->SelectedPath(), song_);
  EXPECT_EQ(dialogs_.boxes.size(), 1u);
}

TEST_F(WindowPlaybackTest, WithoutSoundOutputPlayExplainsAndTheAnalysisStillRuns) {
  setenv("SDL_AUDIODRIVER", "none-such", 1);
  OpenFile(song_);
  EXPECT_TRUE(dialogs_.boxes.empty());
  Click(kIdPlay);
  ASSERT_EQ(dialogs_.boxes.size(), 1u);
  EXPECT_EQ(dialogs_.boxes[0].caption, "エラー");
  EXPECT_NE(dialogs_.boxes[0].text.find("none-such"), std::string::npos) << dialogs_.boxes[0].text;
  EXPECT_TRUE(Running());

  Click(kIdProcess1);
  for (const std::string& line : session_.log.Lines())
    EXPECT_NE(line.rfind("err: ", 0), 0u) << line;
  EXPECT_TRUE(testing::FileExists(session_.WorkPath("PeakExtraction.txt")));
}

}  // namespace
}  // namespace tonvale
