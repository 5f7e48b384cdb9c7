#include "app/settings_file.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "app/text_encoding.h"
#include "support/temp_dir.h"

namespace tonvale {
namespace {

using testing::FileExists;
using testing::ReadFile;
using testing::TempDir;
using testing::WriteFile;

std::string GoldenDefaultFile() {
  return ReadFile(std::string(TONVALE_TEST_DATA) + "settings_default_cp932.golden");
}

// The default file with one piece of text replaced, as a user would edit it.
std::string EditedDefaultFile(const std::string& from, const std::string& to) {
  std::string text = Cp932ToUtf8(GoldenDefaultFile());
  size_t at = text.find(from);
  EXPECT_NE(at, std::string::npos) << from;
  text.replace(at, from.size(), to);
  return Utf8ToCp932(text);
}

class SettingsFileTest : public ::testing::Test {
 protected:
  void WriteSettings(const std::string& bytes) { WriteFile(dir_.File(kSettingsFileName), bytes); }
  std::vector<std::string> Log() const { return session_.log.Lines(); }

  TempDir dir_;
  Session session_{dir_.path()};
};

TEST_F(SettingsFileTest, ResetWritesTheDefaultFileByteForByteAndLoadsIt) {
  session_.mainFigure = {2, 3};
  EXPECT_EQ(ResetSettings(session_), 0);
  EXPECT_EQ(ReadFile(dir_.File(kSettingsFileName)), GoldenDefaultFile());
  EXPECT_EQ(session_.mainFigure.PlotNum, -1);
  EXPECT_EQ(session_.mainFigure.DispColor, 0);
  EXPECT_EQ(session_.settings, DefaultSettings());
  ASSERT_EQ(Log().size(), 16u);
  EXPECT_EQ(Log()[0], "% 各設定を初期値に変更します．");
  EXPECT_EQ(Log()[1], "フレームシフト間隔　： 10 _msec");
}

TEST_F(SettingsFileTest, LoadingTheDefaultFileEchoesFifteenLines) {
  WriteSettings(GoldenDefaultFile());
  EXPECT_EQ(LoadSettings(session_), 0);
  ASSERT_EQ(Log().size(), 15u);
  EXPECT_EQ(Log()[0], "フレームシフト間隔　： 10 _msec");
  EXPECT_EQ(Log()[3], "窓関数　　　　　　　： ハミング窓");
  EXPECT_EQ(Log()[6], "拍子　　　　　　　　： 4 / 4");
  EXPECT_EQ(Log()[7], "GM音源音色(1～128)　： 1");
  EXPECT_EQ(Log()[8], "");
  EXPECT_EQ(Log()[13], "隣接分析窓シフト間隔： オート _点");
  EXPECT_EQ(Log()[14], "");
  EXPECT_EQ(session_.settings, DefaultSettings());
}

TEST_F(SettingsFileTest, LineEndsAndEncodingDoNotChangeWhatIsRead) {
  const std::string cp932 = GoldenDefaultFile();
  std::string lf_only;
  for (char c : cp932) {
    if (c != '\r') lf_only += c;
  }
  for (const std::string& bytes : {lf_only, Cp932ToUtf8(cp932), Cp932ToUtf8(lf_only)}) {
    session_.log.ClearLog();
    session_.settings = Settings();
    WriteSettings(bytes);
    EXPECT_EQ(LoadSettings(session_), 0);
    EXPECT_EQ(session_.settings, DefaultSettings());
    ASSERT_EQ(Log().size(), 15u);
    EXPECT_EQ(Log()[6], "拍子　　　　　　　　： 4 / 4");
  }
}

TEST_F(SettingsFileTest, NumbersKeepTheirLowSixteenBits) {
  WriteSettings(EditedDefaultFile("： 120 _tempo", "： 70000 _tempo"));
  EXPECT_EQ(LoadSettings(session_), 0);
  EXPECT_EQ(session_.settings.Tempo, 4464);

  WriteSettings(EditedDefaultFile("： 120 _tempo", "： 40000 _tempo"));
  EXPECT_EQ(LoadSettings(session_), 1);  // -25536 is not a tempo
  EXPECT_EQ(session_.settings, DefaultSettings());
}

TEST_F(SettingsFileTest, ValuesAreReadByPositionWithoutCheckingLabels) {
  WriteSettings(EditedDefaultFile("： 4 / 4", "： 3 - 4"));
  EXPECT_EQ(LoadSettings(session_), 0);
  EXPECT_EQ(session_.settings.Rhythm, "3 / 4");
  EXPECT_EQ(Log()[6], "拍子　　　　　　　　： 3 - 4");

  // "10ms" reads as 10, unknown texts pass here and are judged where they are used.
  WriteSettings(EditedDefaultFile("： 10 _msec", "： 10ms _msec"));
  EXPECT_EQ(LoadSettings(session_), 0);
  EXPECT_EQ(session_.settings.FrameRate, 10);
  WriteSettings(EditedDefaultFile("： ハミング窓", "： hamming"));
  EXPECT_EQ(LoadSettings(session_), 0);
  EXPECT_EQ(session_.settings.Window, "hamming");
}

TEST_F(SettingsFileTest, ImplausibleValuesRestoreTheDefaultsAndKeepTheUsersFile) {
  const std::string equal = EditedDefaultFile("： 4096 _点", "： 512 _点");
  WriteSettings(equal);
  EXPECT_EQ(LoadSettings(session_), 0);  // VirtualLength == FrameLength is allowed
  EXPECT_EQ(session_.settings.VirtualLength, 512);

  const std::string shorter = EditedDefaultFile("： 4096 _点", "： 511 _点");
  WriteSettings(shorter);
  session_.log.ClearLog();
  EXPECT_EQ(LoadSettings(session_), 1);
  EXPECT_EQ(Log(), (std::vector<std::string>{"% err: 変更された変数が不自然です．",
                                             "設定変更.txt を初期化しました．"}));
  EXPECT_EQ(session_.settings, DefaultSettings());
  EXPECT_EQ(ReadFile(dir_.File(kSettingsFileName)), GoldenDefaultFile());
  EXPECT_EQ(ReadFile(dir_.File(kSettingsBackupName)), shorter);
  EXPECT_EQ(session_.mainFigure.PlotNum, -1);
}

TEST_F(SettingsFileTest, ResetKeepsTheUsersFileAsTheBackupAndNeverOverwritesItWithTheDefaults) {
  const std::string edited = EditedDefaultFile("： 120 _tempo", "： 90 _tempo");
  WriteSettings(edited);
  EXPECT_EQ(ResetSettings(session_), 0);
  EXPECT_EQ(Log().size(), 16u);
  EXPECT_EQ(ReadFile(dir_.File(kSettingsFileName)), GoldenDefaultFile());
  EXPECT_EQ(ReadFile(dir_.File(kSettingsBackupName)), edited);
  EXPECT_EQ(ResetSettings(session_), 0);  // a second press finds the defaults
  EXPECT_EQ(ReadFile(dir_.File(kSettingsBackupName)), edited);
}

TEST_F(SettingsFileTest, ABackupThatCannotBeWrittenLeavesTheUsersFileAsItIs) {
  std::filesystem::create_directory(dir_.File(kSettingsBackupName));
  const std::string noBackup =
      "err: 設定変更.txt.bak を書き込めないため，設定変更.txt をそのままにしました．";
  const struct {
    const char* name;
    std::string file;
    std::function<int()> run;
    std::vector<std::string> log;
  } cases[] = {
      // This run goes on with the defaults in memory.
      {"implausible values",
       EditedDefaultFile("： 4096 _点", "： 511 _点"),
       [&] { return LoadSettings(session_); },
       {"% err: 変更された変数が不自然です．", noBackup}},
      {"the reset button",
       EditedDefaultFile("： 120 _tempo", "： 90 _tempo"),
       [&] { return ResetSettings(session_); },
       {noBackup}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    WriteSettings(c.file);
    session_.log.ClearLog();
    EXPECT_EQ(c.run(), 1);
    EXPECT_EQ(Log(), c.log);
    EXPECT_EQ(ReadFile(dir_.File(kSettingsFileName)), c.file);
    EXPECT_EQ(session_.settings, DefaultSettings());
  }
}

TEST_F(SettingsFileTest, ASpaceInsideALabelShiftsEveryValueAndResetsTheFile) {
  WriteSettings(EditedDefaultFile("フレーム長　", "フレー ム長　"));
  EXPECT_EQ(LoadSettings(session_), 1);
  EXPECT_EQ(session_.settings, DefaultSettings());
  EXPECT_EQ(ReadFile(dir_.File(kSettingsFileName)), GoldenDefaultFile());
}

TEST_F(SettingsFileTest, AFileThatEndsEarlyReadsEmptyTokensAndResets) {
  WriteSettings(GoldenDefaultFile().substr(0, 40));
  EXPECT_EQ(LoadSettings(session_), 1);
  EXPECT_EQ(session_.settings, DefaultSettings());
  WriteSettings("");
  EXPECT_EQ(LoadSettings(session_), 1);
  EXPECT_EQ(session_.settings, DefaultSettings());
}

TEST_F(SettingsFileTest, WithoutAFileLoadSaysSoAndCreatesNothing) {
  session_.settings.Tempo = 99;
  EXPECT_EQ(LoadSettingsCommand(session_), 1);
  EXPECT_EQ(Log(), (std::vector<std::string>{"% 設定変更.txt をロードします．",
                                             "err: cannot open! 設定変更.txt"}));
  EXPECT_EQ(session_.settings.Tempo, 99);
  EXPECT_FALSE(FileExists(dir_.File(kSettingsFileName)));
}

TEST_F(SettingsFileTest, AnOverlongTokenIsRefusedAndTheFileKept) {
  const std::string bytes =
      EditedDefaultFile("ハミング窓", std::string(kMaxSettingsTokenBytes + 1, 'w'));
  WriteSettings(bytes);
  EXPECT_EQ(LoadSettings(session_), 1);
  ASSERT_FALSE(Log().empty());
  EXPECT_EQ(Log().back().rfind("err: ", 0), 0u);
  EXPECT_EQ(session_.settings, Settings());
  EXPECT_EQ(ReadFile(dir_.File(kSettingsFileName)), bytes);
}

TEST(SettingsFileFolderTest, ResetIntoAFolderThatCannotBeWrittenFailsWithoutLooping) {
  TempDir dir;
  Session session(dir.File("missing/"));
  EXPECT_EQ(ResetSettings(session), 1);
  EXPECT_EQ(session.log.Lines(), (std::vector<std::string>{"err: cannot open! 設定変更.txt"}));
}

}  // namespace
}  // namespace tonvale
