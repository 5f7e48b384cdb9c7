// The path field, the player buttons and the radio switch between a WAVE file and its MIDI
// file, driven through a fake device and fake dialogs.
#include <gtest/gtest.h>

#include <QLabel>

#include "gui/qt_user_dialogs.h"
#include "main_dialog_fixture.h"

namespace tonvale {
namespace {

using PlayerTest = testing::MainDialogFixture;
using Calls = std::vector<std::string>;

TEST_F(PlayerTest, FollowsTheStateTableFromNoDeviceToIdle) {
  EXPECT_EQ(Flags(), std::make_tuple(false, false, false));

  OpenFile(song_);
  ASSERT_EQ(dialogs_.requests.size(), 1u);
  // Every format we read, in both cases, together first and then one by one.
  const std::string filter = dialogs_.requests[0].filter;
  EXPECT_TRUE(filter.starts_with("録音ﾌｧｲﾙ|*.wav;*.WAV;*.wave;*.WAVE;")) << filter;
  for (const char* entry : {"|WAVE|*.wav;*.WAV;", "|FLAC|*.flac;*.FLAC|", "|MP3|*.mp3;*.MP3|",
                            "|AIFF|*.aif;*.AIF;*.aiff;*.AIFF;*.aifc;*.AIFC|",
                            "*.ogg;*.OGG;*.oga;*.OGA;*.opus;*.OPUS|", "|すべてのﾌｧｲﾙ|*||"}) {
    EXPECT_NE(filter.find(entry), std::string::npos) << entry << " in " << filter;
  }
  EXPECT_EQ(ToQtFileFilter(filter).count(";;"), 8) << ToQtFileFilter(filter).toStdString();
  EXPECT_EQ(dialogs_.requests[0].defaultExtension, "wav");
  EXPECT_EQ(dialogs_.requests[0].initialName, "");
  EXPECT_TRUE(dialogs_.requests[0].fileMustExist && dialogs_.requests[0].hideReadOnly);
  EXPECT_EQ(PathField(), song_);
  EXPECT_EQ(device_.TakeCalls(), Calls{"open wave " + song_});
  EXPECT_EQ(Flags(), std::make_tuple(true, false, false));  // open, idle
  const unsigned firstId = window_->DeviceId();
  EXPECT_NE(firstId, 0u);

  Click(kIdPlay);  // a fresh device, played from the start
  EXPECT_EQ(device_.TakeCalls(), (Calls{"stop", "close", "open wave " + song_, "play"}));
  EXPECT_EQ(Flags(), std::make_tuple(true, true, false));
  EXPECT_NE(window_->DeviceId(), firstId);

  Click(kIdPause);
  EXPECT_EQ(device_.TakeCalls(), Calls{"stop"});
  EXPECT_EQ(Flags(), std::make_tuple(true, true, true));

  Click(kIdPause);
  EXPECT_EQ(device_.TakeCalls(), Calls{"resume"});
  EXPECT_EQ(Flags(), std::make_tuple(true, true, false));

  Click(kIdStop);
  EXPECT_EQ(device_.TakeCalls(), Calls{"stop"});
  EXPECT_EQ(Flags(), std::make_tuple(true, false, false));

  Click(kIdPause);  // ignored while idle
  Click(kIdStop);   // stays idle
  EXPECT_EQ(device_.TakeCalls(), Calls{"stop"});
  EXPECT_EQ(Flags(), std::make_tuple(true, false, false));
  EXPECT_TRUE(dialogs_.boxes.empty());
  EXPECT_TRUE(Running());
}

TEST_F(PlayerTest, AStopDoesNotClearThePauseSoTheNextPauseResumes) {
  OpenFile(song_);
  Click(kIdPlay);
  Click(kIdPause);
  Click(kIdStop);
  EXPECT_EQ(Flags(), std::make_tuple(true, false, true));
  Click(kIdPlay);
  EXPECT_EQ(Flags(), std::make_tuple(true, true, true));
  device_.TakeCalls();
  Click(kIdPause);
  EXPECT_EQ(device_.TakeCalls(), Calls{"resume"});
  EXPECT_FALSE(window_->Paused());
  Click(kIdPause);
  EXPECT_EQ(device_.TakeCalls(), Calls{"stop"});
  EXPECT_TRUE(window_->Paused());
}

TEST_F(PlayerTest, PauseBeforeAnyPlayDoesNothing) {
  Click(kIdPause);
  OpenFile(song_);
  device_.TakeCalls();
  Click(kIdPause);
  EXPECT_TRUE(device_.calls.empty());
  EXPECT_EQ(Flags(), std::make_tuple(true, false, false));
}

TEST_F(PlayerTest, PlayTakesATypedPath) {
  window_->ControlAs<QLineEdit>(kIdPathField)->setText(QString::fromStdString(song_));
  Click(kIdPlay);
  EXPECT_EQ(device_.TakeCalls(), (Calls{"open wave " + song_, "play"}));
  EXPECT_EQ(window_->SelectedPath(), song_);
}

TEST_F(PlayerTest, RadioButtonsSwitchBetweenTheWaveFileAndItsMidiFile) {
  const std::string midi = song_ + ".mid";
  testing::WriteFile(midi, "MThd");
  OpenFile(song_);
  device_.TakeCalls();

  Click(kIdMidi);
  EXPECT_EQ(PathField(), midi);
  EXPECT_EQ(window_->SelectedPath(), midi);
  EXPECT_EQ(device_.TakeCalls(), (Calls{"stop", "close", "open midi " + midi}));

  Click(kIdOpenFile);  // cancelled: nothing changes, but the MIDI filter was offered
  ASSERT_EQ(dialogs_.requests.size(), 2u);
  EXPECT_EQ(dialogs_.requests[1].filter, "MIDIﾌｧｲﾙ(*.mid)|*.mid||");
  EXPECT_EQ(dialogs_.requests[1].defaultExtension, "MIDI");
  EXPECT_EQ(dialogs_.requests[1].initialName, "*.mid");
  EXPECT_TRUE(device_.calls.empty());
  EXPECT_EQ(PathField(), midi);

  Click(kIdWave);
  EXPECT_EQ(PathField(), song_);
  EXPECT_EQ(device_.TakeCalls(), (Calls{"stop", "close", "open wave " + song_}));
  EXPECT_TRUE(dialogs_.boxes.empty());
}

TEST_F(PlayerTest, MidiWithoutAMidiFileKeepsTheWaveFile) {
  OpenFile(song_);
  Click(kIdPlay);
  device_.TakeCalls();
  Click(kIdMidi);
  EXPECT_TRUE(window_->IsChecked(kIdMidi));
  EXPECT_EQ(PathField(), song_);
  EXPECT_TRUE(device_.calls.empty()) << "the WAVE device stays open and playing";
  EXPECT_EQ(Flags(), std::make_tuple(true, true, false));

  // "wave" on a path without a file four bytes shorter does nothing either.
  Click(kIdWave);
  EXPECT_TRUE(device_.calls.empty());
  EXPECT_EQ(PathField(), song_);
}

TEST_F(PlayerTest, PlayWithAFileTheDeviceCannotOpenNamesItAndTheProgramGoesOn) {
  OpenFile(song_);
  Click(kIdMidi);  // no song.wav.mid: song.wav stays selected, but "midi" is checked now
  device_.TakeCalls();
  device_.openAnswer = DeviceStatus::Failed("The file cannot be played as a MIDI sequence.");
  Click(kIdPlay);  // so the sequencer is asked to open song.wav, and refuses
  ASSERT_EQ(dialogs_.boxes.size(), 1u);
  EXPECT_EQ(dialogs_.boxes[0].caption, "ファイルオープンエラー");
  EXPECT_EQ(dialogs_.boxes[0].text, "The file cannot be played as a MIDI sequence.\n" + song_);
  EXPECT_EQ(dialogs_.boxes[0].icon, MessageIcon::kExclamation);
  EXPECT_TRUE(Running());
  EXPECT_FALSE(window_->DeviceOpen());
  EXPECT_FALSE(window_->Playing());
  EXPECT_EQ(device_.TakeCalls(), (Calls{"stop", "close", "open midi " + song_}))
      << "nothing is played after the error";

  // A mistyped path: named in the box, the device is not even asked.
  window_->ControlAs<QLineEdit>(kIdPathField)->setText("/no/such/song.wav");
  Click(kIdPlay);
  ASSERT_EQ(dialogs_.boxes.size(), 2u);
  EXPECT_EQ(dialogs_.boxes[1].text, "ファイルを開けません．\n/no/such/song.wav");
  EXPECT_TRUE(device_.TakeCalls().empty());
  EXPECT_TRUE(Running());
}

TEST_F(PlayerTest, FailuresOfStopPlayAndResumeEndTheProgramButPauseGoesOn) {
  OpenFile(song_);
  Click(kIdPlay);
  device_.stopAnswer = DeviceStatus::Failed("stop failed");
  Click(kIdPause);  // the stop of a pause fails: said, and the program goes on paused
  ASSERT_EQ(dialogs_.boxes.size(), 1u);
  EXPECT_EQ(dialogs_.boxes[0].caption, "ファイルオープンエラー");
  EXPECT_TRUE(window_->Paused());
  EXPECT_TRUE(Running());

  device_.resumeAnswer = DeviceStatus::Failed("resume failed");
  Click(kIdPause);
  ASSERT_EQ(dialogs_.boxes.size(), 2u);
  EXPECT_EQ(dialogs_.boxes[1].caption, "エラー");
  EXPECT_EQ(dialogs_.boxes[1].text, "resume failed");
  EXPECT_FALSE(Running());
}

TEST_F(PlayerTest, AFailingStopButtonOrPlayEndsTheProgram) {
  for (int button : {kIdStop, kIdPlay}) {
    StartWindow();
    OpenFile(song_);
    device_.stopAnswer = device_.playAnswer = DeviceStatus::Failed("refused");
    Click(button);
    ASSERT_EQ(dialogs_.boxes.size(), 1u) << button;
    EXPECT_EQ(dialogs_.boxes[0].caption, "エラー");
    EXPECT_EQ(dialogs_.boxes[0].text, "refused");
    EXPECT_FALSE(Running());
    device_.stopAnswer = device_.playAnswer = DeviceStatus::Ok();
  }
}

TEST_F(PlayerTest, NoAudioOutputIsSaidButTheProgramKeepsRunning) {
  const DeviceStatus none = DeviceStatus::NoAudioOutput("no audio output on this build");
  device_.openAnswer = device_.closeAnswer = device_.stopAnswer = none;
  device_.playAnswer = device_.resumeAnswer = none;

  OpenFile(song_);
  ASSERT_EQ(dialogs_.boxes.size(), 1u);
  EXPECT_EQ(dialogs_.boxes[0].caption, "エラー");
  EXPECT_EQ(dialogs_.boxes[0].text, "no audio output on this build");
  EXPECT_TRUE(Running());
  // The file counts as selected on a silent device, so the analysis can use it.
  EXPECT_TRUE(window_->DeviceOpen());
  EXPECT_TRUE(window_->StopPlayback());

  Click(kIdPlay);  // reopened, then told once why nothing plays
  EXPECT_EQ(dialogs_.boxes.size(), 2u);
  EXPECT_TRUE(window_->Playing());
  Click(kIdStop);
  Click(kIdPause);
  window_->close();
  EXPECT_EQ(dialogs_.boxes.size(), 2u) << "stopping and closing are silent";
  EXPECT_FALSE(window_->DeviceOpen());
}

TEST_F(PlayerTest, StopPlaybackForTheProcessesKeepsThePlayerFlags) {
  EXPECT_FALSE(window_->StopPlayback()) << "no device is open";
  EXPECT_TRUE(device_.calls.empty());
  OpenFile(song_);
  Click(kIdPlay);
  device_.TakeCalls();
  EXPECT_TRUE(window_->StopPlayback());
  EXPECT_EQ(device_.TakeCalls(), Calls{"stop"});
  EXPECT_EQ(Flags(), std::make_tuple(true, true, false));
  device_.stopAnswer = DeviceStatus::Failed("stop failed");
  EXPECT_FALSE(window_->StopPlayback());
  EXPECT_TRUE(dialogs_.boxes.empty()) << "no message box for the processes' stop";
  EXPECT_TRUE(Running());

  window_->ControlAs<QLineEdit>(kIdPathField)->setText("typed.wav");
  EXPECT_EQ(window_->SelectedPath(), song_);
  EXPECT_EQ(window_->TakePathField(), "typed.wav");
  EXPECT_EQ(window_->SelectedPath(), "typed.wav");
}

TEST_F(PlayerTest, TheTimeShowsOnTheFileGroupAndTheEndOfTheFileIsAStop) {
  auto time = [&] { return window_->findChild<QLabel*>(kPlaybackTimeName)->text().toStdString(); };
  EXPECT_EQ(time(), "") << "no file";
  device_.time = {0, 95000, false};
  OpenFile(song_);
  EXPECT_EQ(time(), "0:00 / 1:35");
  Click(kIdPlay);
  device_.TakeCalls();
  device_.time = {61999, 95000, false};
  window_->PollPlayback();
  EXPECT_EQ(time(), "1:01 / 1:35");
  EXPECT_TRUE(device_.calls.empty());

  Click(kIdPause);  // a paused file that reports its end still waits for its resume
  device_.TakeCalls();
  device_.time = {95000, 95000, true};
  window_->PollPlayback();
  EXPECT_EQ(Flags(), std::make_tuple(true, true, true));
  Click(kIdPause);
  device_.TakeCalls();
  window_->PollPlayback();  // the device says the file has ended: as after "stop"
  EXPECT_EQ(device_.TakeCalls(), Calls{"stop"});
  EXPECT_EQ(Flags(), std::make_tuple(true, false, false));
  EXPECT_EQ(time(), "1:35 / 1:35");
  window_->PollPlayback();
  EXPECT_TRUE(device_.calls.empty()) << "once";

  // A device that cannot stop at the end says so, and the program goes on.
  Click(kIdPlay);
  device_.stopAnswer = DeviceStatus::Failed("stop failed");
  window_->PollPlayback();
  ASSERT_EQ(dialogs_.boxes.size(), 1u);
  EXPECT_FALSE(window_->Playing());
  EXPECT_TRUE(Running());
  device_.stopAnswer = DeviceStatus::Ok();
  window_->close();
  EXPECT_EQ(time(), "");
}

}  // namespace
}  // namespace tonvale
