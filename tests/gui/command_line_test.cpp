// The window's command line: the parser, the selection of the named file, and the program run
// with a file the way the desktop entry starts it.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QProcessEnvironment>
#include <string>
#include <vector>

#include "app/settings_file.h"
#include "gui/run_status_bar.h"
#include "gui/window_arguments.h"
#include "main_dialog_fixture.h"
#include "support/temp_dir.h"
#include "wavegen/wave_writer.h"

namespace tonvale {
namespace {

using Calls = std::vector<std::string>;

TEST(WindowArgumentsTest, TakesOneFileAndTheDevelopersSwitches) {
  EXPECT_EQ(ParseWindowArguments({}).file, "");
  EXPECT_EQ(ParseWindowArguments({}).error, "");
  WindowArguments one = ParseWindowArguments({"song.wav"});
  EXPECT_EQ(one.file, "song.wav");
  EXPECT_EQ(one.error, "");
  EXPECT_FALSE(one.pressWav2Mid);
  EXPECT_EQ(one.screenshotPath, "");

  // What the desktop entry passes may begin with a dash after "--", or be "-" itself.
  EXPECT_EQ(ParseWindowArguments({"--", "-odd.wav"}).file, "-odd.wav");
  EXPECT_EQ(ParseWindowArguments({"-"}).file, "-");

  WindowArguments developer =
      ParseWindowArguments({"--screenshot", "shot.png", "a.wav", "--wav2mid"});
  EXPECT_EQ(developer.error, "");
  EXPECT_EQ(developer.file, "a.wav");
  EXPECT_EQ(developer.screenshotPath, "shot.png");
  EXPECT_TRUE(developer.pressWav2Mid);
  EXPECT_EQ(ParseWindowArguments({"--screenshot=s.png"}).screenshotPath, "s.png");
}

TEST(WindowArgumentsTest, RefusesWhatItCannotUseButAlwaysAnswersHelp) {
  EXPECT_EQ(ParseWindowArguments({"--open", "a.wav"}).error, "unknown option --open");
  EXPECT_EQ(ParseWindowArguments({"-x"}).error, "unknown option -x");
  EXPECT_EQ(ParseWindowArguments({"a.wav", "b.wav"}).error, "takes one file, not 2");
  EXPECT_EQ(ParseWindowArguments({"--screenshot"}).error, "--screenshot needs a file name");
  EXPECT_EQ(ParseWindowArguments({"--wav2mid=1", "a.wav"}).error, "--wav2mid takes no value");
  EXPECT_EQ(ParseWindowArguments({"--wav2mid"}).error, "--wav2mid needs a file");
  // The first fault is the one reported.
  EXPECT_EQ(ParseWindowArguments({"--bad", "a.wav", "b.wav"}).error, "unknown option --bad");

  for (const std::vector<std::string>& arguments : std::vector<std::vector<std::string>>{
           {"--help"}, {"-h", "a.wav", "b.wav"}, {"--x", "-h"}, {"--version", "--x"}}) {
    WindowArguments help = ParseWindowArguments(arguments);
    EXPECT_TRUE(help.help || help.version);
    EXPECT_EQ(help.error, "");
  }
  EXPECT_FALSE(ParseWindowArguments({"--", "--help"}).help);
  EXPECT_NE(std::string(WindowUsage()).find("usage: tonvale [FILE.wav]"), std::string::npos);
}

using CommandLineSelectionTest = testing::MainDialogFixture;

TEST_F(CommandLineSelectionTest, SelectsTheFileAsOpenFileWouldWithTheFittingRadioButton) {
  window_->SelectFileFromCommandLine(song_);
  EXPECT_EQ(PathField(), song_);
  EXPECT_EQ(window_->SelectedPath(), song_);
  EXPECT_TRUE(window_->IsChecked(kIdWave));
  EXPECT_EQ(device_.TakeCalls(), (Calls{"open wave " + song_}));
  EXPECT_TRUE(window_->DeviceOpen());

  // A MIDI file, whatever the case of its suffix, goes to the sequencer.
  const std::string midi = dir_.File("Tune.MID");
  testing::WriteFile(midi, "MThd");
  window_->SelectFileFromCommandLine(midi);
  EXPECT_EQ(PathField(), midi);
  EXPECT_TRUE(window_->IsChecked(kIdMidi));
  EXPECT_FALSE(window_->IsChecked(kIdWave));
  EXPECT_EQ(device_.TakeCalls(), (Calls{"stop", "close", "open midi " + midi}));

  // And back: a WAVE file checks "wave" again.
  window_->SelectFileFromCommandLine(song_);
  EXPECT_TRUE(window_->IsChecked(kIdWave));
  EXPECT_EQ(device_.TakeCalls(), (Calls{"stop", "close", "open wave " + song_}));
  EXPECT_TRUE(dialogs_.boxes.empty());
  EXPECT_TRUE(Running());
}

TEST_F(CommandLineSelectionTest, AFileThatCannotBeReadIsRefusedAndNothingChanges) {
  window_->SelectFileFromCommandLine(song_);
  device_.TakeCalls();
  for (const std::string& path : {dir_.File("missing.wav"), dir_.path()}) {
    window_->SelectFileFromCommandLine(path);
    ASSERT_FALSE(dialogs_.boxes.empty());
    EXPECT_EQ(dialogs_.boxes.back().caption, "ファイルオープンエラー");
    EXPECT_NE(dialogs_.boxes.back().text.find(path), std::string::npos);
  }
  EXPECT_EQ(dialogs_.boxes.size(), 2u);
  EXPECT_TRUE(device_.calls.empty());
  EXPECT_EQ(PathField(), song_);
  EXPECT_TRUE(window_->DeviceOpen());
  EXPECT_TRUE(Running());
}

// The program itself, copied into a folder of its own, which becomes its program directory.
class WindowProgramTest : public ::testing::Test {
 protected:
  void SetUp() override {
    program_ = QString::fromStdString(dir_.File("tonvale"));
    ASSERT_TRUE(QFile::copy(TONVALE_EXECUTABLE, program_));
    QFile::setPermissions(program_, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    environment_ = QProcessEnvironment::systemEnvironment();
    environment_.insert("XDG_RUNTIME_DIR", QString::fromStdString(runtime_.path()));
    environment_.insert("QT_QPA_PLATFORM", "offscreen");
    environment_.insert("SDL_AUDIODRIVER", "dummy");  // a sound output that plays nothing
  }

  // Runs the program to its end; returns its exit code, -1 when it did not end normally.
  int Run(const QStringList& arguments, const QString& workingDirectory = {}) {
    QProcess process;
    process.setProcessEnvironment(environment_);
    if (!workingDirectory.isEmpty()) process.setWorkingDirectory(workingDirectory);
    process.start(program_, arguments);
    if (!process.waitForFinished(60000)) {
      process.kill();
      process.waitForFinished();
      return -1;
    }
    out_ = QString::fromUtf8(process.readAllStandardOutput());
    err_ = QString::fromUtf8(process.readAllStandardError());
    return process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
  }

  testing::TempDir dir_;
  testing::TempDir runtime_;
  QString program_;
  QProcessEnvironment environment_;
  QString out_, err_;
};

TEST_F(WindowProgramTest, AnswersHelpWithoutADisplayAndRefusesUnknownArguments) {
  environment_.remove("QT_QPA_PLATFORM");
  environment_.remove("DISPLAY");
  environment_.remove("WAYLAND_DISPLAY");
  EXPECT_EQ(Run({"--help"}), 0);
  EXPECT_TRUE(out_.startsWith("usage: tonvale [FILE.wav]")) << out_.toStdString();
  EXPECT_EQ(Run({"--version"}), 0);
  EXPECT_TRUE(out_.startsWith("tonvale (Tonvale) " TONVALE_PROJECT_VERSION "\n"))
      << out_.toStdString();

  environment_.insert("QT_QPA_PLATFORM", "offscreen");
  EXPECT_EQ(Run({"--frobnicate"}), 2);
  EXPECT_TRUE(err_.startsWith("tonvale: unknown option --frobnicate")) << err_.toStdString();
  EXPECT_EQ(Run({"a.wav", "b.wav"}), 2);
  EXPECT_TRUE(err_.startsWith("tonvale: takes one file, not 2")) << err_.toStdString();
}

// As the desktop entry starts it, with a path relative to the working folder; the developers'
// "--wav2mid" then converts the selected file in the window.
TEST_F(WindowProgramTest, SelectsTheFileNamedOnTheCommandLine) {
  const std::string songs = dir_.File("songs");
  ASSERT_TRUE(QDir().mkpath(QString::fromStdString(songs)));
  double seconds = 0;
  const std::vector<wavegen::Tone> melody = wavegen::DemoMelody(&seconds);
  ASSERT_TRUE(wavegen::WriteWave(songs + "/tune.wav", melody, seconds));
  const QString shot = QString::fromStdString(dir_.File("window.png"));
  // A copy of the program in a folder of the user's own reads its settings there.
  testing::WriteFile(dir_.File(kSettingsFileName), DefaultSettingsFileBytes());

  EXPECT_EQ(Run({"./tune.wav", "--wav2mid", "--screenshot", shot}, QString::fromStdString(songs)),
            0)
      << err_.toStdString();
  EXPECT_TRUE(testing::FileExists(songs + "/tune.wav.txt")) << err_.toStdString();
  const std::string midi = testing::ReadFile(songs + "/tune.wav.mid");
  EXPECT_EQ(midi.substr(0, 4), "MThd");
  // The work files lie in the program directory, the copy's own folder.
  EXPECT_TRUE(testing::FileExists(dir_.File("PeakExtraction.txt")));
  EXPECT_TRUE(testing::FileExists(dir_.File("PeakCombination.txt")));
  // process 1 wrote the selected file's absolute path into its work file
  EXPECT_NE(testing::ReadFile(dir_.File("PeakExtraction.txt")).find(songs + "/tune.wav"),
            std::string::npos);
  EXPECT_EQ(QImage(shot).size(), QSize(576, 519 + RunStatusBar::kHeight));
}

}  // namespace
}  // namespace tonvale
