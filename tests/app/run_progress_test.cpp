#include "app/run_progress.h"

#include <gtest/gtest.h>

#include <thread>
#include <utility>
#include <vector>

namespace tonvale {
namespace {

class Recorder : public RunProgress::Observer {
 public:
  void OnProgress(int process, int percent) override { reports.emplace_back(process, percent); }
  std::vector<std::pair<int, int>> reports;
};

TEST(RunProgressTest, ReportsEachWholePercentOnceWithinTheSpansOfAProcess) {
  RunProgress progress;
  Recorder recorder;
  progress.SetObserver(&recorder);
  EXPECT_TRUE(progress.Advance(5, 10)) << "before any process nothing is reported";
  progress.BeginProcess(1);
  progress.SetSpan(0.0, 0.5);
  for (int block = 1; block <= 1000; ++block) progress.Advance(block, 1000);
  progress.SetSpan(0.5, 1.0);
  progress.Advance(0, 4);  // a pass that starts its count anew does not go back
  progress.Advance(2, 4);
  progress.Advance(9, 4);  // counts past the end are the end
  progress.Advance(1, 0);  // nothing to count
  progress.BeginProcess(2);
  ASSERT_EQ(recorder.reports.size(), 1u + 50u + 2u + 1u);
  EXPECT_EQ(recorder.reports[0], std::make_pair(1, 0));
  EXPECT_EQ(recorder.reports[1], std::make_pair(1, 1));
  EXPECT_EQ(recorder.reports[50], std::make_pair(1, 50));
  EXPECT_EQ(recorder.reports[51], std::make_pair(1, 75));
  EXPECT_EQ(recorder.reports[52], std::make_pair(1, 100));
  EXPECT_EQ(recorder.reports[53], std::make_pair(2, 0));
  EXPECT_EQ(progress.Process(), 2);
}

TEST(RunProgressTest, ACancelFromAnotherThreadStopsTheNextAdvance) {
  RunProgress progress;
  progress.BeginProcess(3);
  EXPECT_TRUE(progress.Advance(1, 3));
  std::thread([&] { progress.Cancel(); }).join();
  EXPECT_TRUE(progress.Cancelled());
  EXPECT_FALSE(progress.Advance(2, 3));
}

}  // namespace
}  // namespace tonvale
