// Process commands on the worker thread: the window keeps handling its events, follows the
// run's log, progress and figures, and takes the run's results when it ends.
#include "gui/process_runner.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QTest>
#include <future>
#include <thread>

#include "gui/log_list_box.h"
#include "support/temp_dir.h"

namespace tonvale {
namespace {

// A command that reports, then waits until the test lets it go on.
struct HeldCommand {
  static inline std::promise<void>* release = nullptr;
  static inline bool sawCancel = false;

  static int Run(Session& session, ProcessHost& host) {
    session.log.ClearLog();
    session.log.AppendLog("started " + host.TakePathField());
    session.progress.BeginProcess(2);
    session.progress.Advance(1, 2);
    release->get_future().wait();
    sawCancel = !session.progress.Advance(2, 2);
    session.settings.Tempo = 77;  // as a reset would leave it
    session.mainFigure.PlotNum = 2;
    host.PlotProcess2();  // nothing to draw: the picture still comes back
    return sawCancel ? 1 : 0;
  }
};

class ProcessRunnerTest : public ::testing::Test {
 protected:
  ProcessRunnerTest() {
    session_.settings.Tempo = 120;
    runner_.onProgress = [this](int process, int percent) {
      progress_.emplace_back(process, percent);
    };
    runner_.onPicture = [this](const QImage& picture) { pictures_.push_back(picture); };
    runner_.onFinished = [this](int result) { results_.push_back(result); };
    HeldCommand::release = &release_;
  }

  ProcessRunner::Inputs Inputs() {
    QImage picture(8, 8, QImage::Format_ARGB32_Premultiplied);
    picture.fill(Qt::transparent);
    return {.path = "song.wav", .fileSelected = true, .picture = picture};
  }

  testing::TempDir dir_;
  Session session_{dir_.path()};
  ProcessRunner runner_{session_};
  std::promise<void> release_;
  std::vector<std::pair<int, int>> progress_;
  std::vector<QImage> pictures_;
  std::vector<int> results_;
};

TEST_F(ProcessRunnerTest, TheWindowKeepsItsEventsWhileACommandRunsAndTakesItsResults) {
  ASSERT_TRUE(runner_.Start(HeldCommand::Run, Inputs()));
  EXPECT_FALSE(runner_.Start(HeldCommand::Run, Inputs())) << "one run at a time";
  // The command is held, yet its progress and its log reach this thread.
  EXPECT_TRUE(QTest::qWaitFor([&] { return progress_.size() == 2; }, 5000));
  EXPECT_EQ(progress_, (std::vector<std::pair<int, int>>{{2, 0}, {2, 50}}));
  EXPECT_EQ(session_.log.Lines(), std::vector<std::string>{"started song.wav"});
  EXPECT_TRUE(runner_.Running());
  EXPECT_EQ(session_.settings.Tempo, 120) << "the run works on its own copy";

  release_.set_value();
  runner_.Wait();
  EXPECT_FALSE(runner_.Running());
  EXPECT_EQ(results_, std::vector<int>{0});
  EXPECT_EQ(session_.settings.Tempo, 77) << "what the run loaded becomes the window's";
  EXPECT_EQ(session_.mainFigure.PlotNum, 2);
  ASSERT_EQ(pictures_.size(), 1u);
  EXPECT_EQ(pictures_[0].size(), QSize(8, 8));
  EXPECT_FALSE(HeldCommand::sawCancel);
}

TEST_F(ProcessRunnerTest, ACancelReachesTheRunAndDestroyingTheRunnerWaitsForIt) {
  ASSERT_TRUE(runner_.Start(HeldCommand::Run, Inputs()));
  runner_.Cancel();
  release_.set_value();
  runner_.Wait();
  EXPECT_TRUE(HeldCommand::sawCancel);
  EXPECT_EQ(results_, std::vector<int>{1});

  // A runner that goes away mid-run cancels and joins it (whether the command saw the cancel
  // depends on when it was let go); nothing arrives afterwards.
  std::promise<void> second;
  HeldCommand::release = &second;
  auto runner = std::make_unique<ProcessRunner>(session_);
  int finished = 0;
  runner->onFinished = [&](int) { ++finished; };
  ASSERT_TRUE(runner->Start(HeldCommand::Run, Inputs()));
  std::thread releaser([&] { second.set_value(); });
  runner.reset();
  releaser.join();
  QApplication::processEvents();
  EXPECT_EQ(finished, 0);
}

TEST(LogListBoxTest, FollowsALogThatAWorkerAppendsToWhileItReads) {
  MessageLog log;
  LogListBox list(nullptr);
  list.Follow(&log);
  log.AppendLog("before");
  EXPECT_EQ(list.LineCount(), 1) << "appends on the list's own thread show at once";

  std::atomic<bool> done = false;
  std::thread worker([&] {
    for (int i = 0; i < 3000; ++i) {
      if (i % 1000 == 0) log.ClearLog();
      log.AppendLog("line " + std::to_string(i));
    }
    done = true;
  });
  // The list reads while the worker writes.
  while (!done) {
    QApplication::processEvents();
    EXPECT_LE(list.LineCount(), 1000);
  }
  worker.join();
  QApplication::processEvents();
  const std::vector<std::string> lines = log.Lines();
  ASSERT_EQ(list.LineCount(), 1000);
  EXPECT_EQ(list.Line(0).toStdString(), "line 2000");
  EXPECT_EQ(list.Line(999).toStdString(), lines.back());
  list.Follow(nullptr);
  log.AppendLog("after");
  EXPECT_EQ(list.LineCount(), 1000) << "no longer following";
}

}  // namespace
}  // namespace tonvale
