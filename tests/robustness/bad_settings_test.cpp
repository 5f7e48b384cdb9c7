// Settings files that are empty, binary or one enormous token: the command stops with the
// settings file's own lines and the analysis never runs on what was read.
#include <gtest/gtest.h>

#include <random>
#include <string>

#include "app/settings_file.h"
#include "pipeline/process_commands.h"
#include "robustness_fixture.h"

namespace tonvale {
namespace {

using testing::ReadFile;
using testing::WriteFile;

class BadSettingsTest : public ::testing::Test {
 protected:
  int RunWith(const std::string& bytes) {
    WriteFile(settingsPath_, bytes);
    folder_.session().log.ClearLog();
    return folder_.Run(RunProcess1, folder_.File("song.wav"));
  }

  testing::CommandFolder folder_;
  const std::string settingsPath_ = folder_.File(kSettingsFileName);
};

TEST_F(BadSettingsTest, EmptyAndBinaryFilesAreKeptAsTheBackupAndTheDefaultsWritten) {
  std::mt19937 random(7);
  std::string binary;
  for (int i = 0; i < 4000; ++i) {
    // No digits, so that no value can be plausible by chance.
    const char c = static_cast<char>(random() % 256);
    binary += c >= '0' && c <= '9' ? '\0' : c;
  }
  for (const std::string& bytes : {std::string(), binary}) {
    EXPECT_EQ(RunWith(bytes), 1);
    EXPECT_EQ(folder_.Log(), (std::vector<std::string>{"% err: 変更された変数が不自然です．",
                                                       "設定変更.txt を初期化しました．"}));
    EXPECT_EQ(ReadFile(folder_.File(kSettingsBackupName)), bytes);
    EXPECT_EQ(ReadFile(settingsPath_), DefaultSettingsFileBytes());
    EXPECT_EQ(folder_.session().settings, DefaultSettings());
  }
}

TEST_F(BadSettingsTest, TenMegabytesOfOneTokenAreRefusedAndTheFileLeftAsItIs) {
  const std::string huge(10 * 1024 * 1024, 'x');
  EXPECT_EQ(RunWith(huge), 1);
  EXPECT_EQ(folder_.Log().back(),
            "err: 設定変更.txt に長すぎる語があります（4096 バイト以内にしてください）．");
  EXPECT_EQ(ReadFile(settingsPath_).size(), huge.size());
  EXPECT_EQ(folder_.session().settings, DefaultSettings());
  // The same token after the values that matter: still refused, nothing half-read is kept.
  EXPECT_EQ(RunWith(DefaultSettingsFileBytes().substr(0, 20) + huge), 1);
  EXPECT_EQ(folder_.Log().back().rfind("err: 設定変更.txt に長すぎる語があります", 0), 0u);
  // A file of many short tokens is read by position and the rest ignored.
  EXPECT_EQ(RunWith(DefaultSettingsFileBytes() + std::string(1000000, ' ') + "x y z"), 1);
  EXPECT_EQ(folder_.Log().back(), "err: PeakExtraction が異常終了しました．");
  EXPECT_EQ(folder_.Log()[1], "wave ファイルからスペクトルピークを抽出します．");
}

}  // namespace
}  // namespace tonvale
