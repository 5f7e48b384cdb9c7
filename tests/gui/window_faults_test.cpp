// The process buttons of the main window when the machine fails under them: the list box shows
// the stage's err lines, the figure is not redrawn from a file that was not written, every
// earlier file stays whole, and the next press works.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include "app/settings_file.h"
#include "main_dialog_fixture.h"
#include "support/fault_injection.h"
#include "wavegen/wave_writer.h"

namespace tonvale {
namespace {

class WindowFaultsTest : public testing::MainDialogFixture {
 protected:
  void SetUp() override {
    MainDialogFixture::SetUp();
    ASSERT_EQ(ResetSettings(session_), 0);
    ASSERT_TRUE(wavegen::WriteWave(song_, {{440.0, 0.1, 0.8, 0.5, 3}}, 2.0));
    OpenFile(song_);
    Click(kIdWav2Mid);
    ASSERT_EQ(Log().front(), "% \"wav2mid\" コンプリート！");
    before_ = testing::TakeSnapshot(dir_.path());
  }
  // The last lines of the log; the list box shows as many lines and ends with the same one.
  std::vector<std::string> Tail(size_t n) const {
    const std::vector<std::string>& log = session_.log.Lines();
    const LogListBox* box = window_->LogList();
    EXPECT_EQ(box->LineCount(), static_cast<int>(log.size()));
    if (!log.empty()) {
      EXPECT_EQ(box->Line(box->LineCount() - 1).toStdString(), log.back());
    }
    return {log.end() - static_cast<std::ptrdiff_t>(std::min(n, log.size())), log.end()};
  }

  testing::Snapshot before_;
};

TEST_F(WindowFaultsTest, AFullDiskShowsEachStagesErrLinesAndKeepsTheFiles) {
  const int plotted = session_.mainFigure.PlotNum;
  {
    testing::DiskFullPast full(8000);
    Click(kIdProcess1);
  }
  EXPECT_EQ(Tail(2), (std::vector<std::string>{"err: cannot write! PeakExtraction.txt",
                                               "err: PeakExtraction が異常終了しました．"}));
  EXPECT_EQ(session_.mainFigure.PlotNum, plotted);
  {
    testing::DiskFullPast full(40);
    Click(kIdWav2Mid);
  }
  EXPECT_EQ(Tail(1), (std::vector<std::string>{"err: PeakExtraction が異常終了しました．"}));
  EXPECT_EQ(testing::TakeSnapshot(dir_.path()), before_);
  Click(kIdWav2Mid);
  EXPECT_EQ(Log().front(), "% \"wav2mid\" コンプリート！");
  EXPECT_EQ(testing::TakeSnapshot(dir_.path()), before_);
}

TEST_F(WindowFaultsTest, AFolderThatCannotBeWrittenShowsItsErrLines) {
  ASSERT_EQ(chmod(dir_.path().c_str(), 0555), 0);
  {
    testing::WithoutOverride readOnly;
    ASSERT_TRUE(readOnly.Works());
    Click(kIdProcess2);
    EXPECT_EQ(Tail(2), (std::vector<std::string>{"err: cannot open! PeakCombination.txt",
                                                 "err: PeakCombination が異常終了しました．"}));
    Click(kIdWav2Mid);
    EXPECT_EQ(Tail(2), (std::vector<std::string>{"cannot open! Wav_File_Format.txt",
                                                 "err: PeakExtraction が異常終了しました．"}));
  }
  ASSERT_EQ(chmod(dir_.path().c_str(), 0755), 0);
  EXPECT_EQ(testing::TakeSnapshot(dir_.path()), before_);
  Click(kIdWav2Mid);
  EXPECT_EQ(Log().front(), "% \"wav2mid\" コンプリート！");
}

}  // namespace
}  // namespace tonvale
