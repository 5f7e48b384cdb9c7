#include "app/message_log.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <thread>
#include <vector>

namespace tonvale {
namespace {

class RecordingObserver : public MessageLog::Observer {
 public:
  void OnLogCleared() override { events.push_back("<clear>"); }
  void OnLineAppended(std::string_view line) override { events.emplace_back(line); }
  std::vector<std::string> events;
};

TEST(MessageLogTest, KeepsLinesInOrderIncludingEmptyOnes) {
  MessageLog log;
  log.ClearLog();
  EXPECT_TRUE(log.Lines().empty());
  log.AppendLog("");
  log.AppendLog("..Argument");
  log.AppendLog("two\nlines stay one entry\n");
  EXPECT_EQ(log.Lines(),
            (std::vector<std::string>{"", "..Argument", "two\nlines stay one entry\n"}));
  log.ClearLog();
  EXPECT_TRUE(log.Lines().empty());
}

TEST(MessageLogTest, ObserversFollowEveryChangeUntilRemoved) {
  MessageLog log;
  RecordingObserver observer;
  log.AddObserver(&observer);
  log.AddObserver(&observer);  // registering twice must not double the events
  log.AppendLog("a");
  log.ClearLog();
  log.AppendLog("b");
  log.RemoveObserver(&observer);
  log.AppendLog("c");
  EXPECT_EQ(observer.events, (std::vector<std::string>{"a", "<clear>", "b"}));
}

TEST(MessageLogTest, KeepingRecentLinesDropsOnlyOldOnesAndObserversHearEveryLine) {
  MessageLog log;
  RecordingObserver observer;
  log.AddObserver(&observer);
  log.KeepRecent(3);
  std::vector<std::string> shown, fresh;
  uint64_t generation = UINT64_MAX;
  for (int i = 0; i < 10; ++i) {
    log.AppendLog(std::to_string(i));
    // A reader that follows the log starts afresh when old lines go.
    if (log.LinesSince(shown.size(), generation, fresh)) shown.clear();
    shown.insert(shown.end(), fresh.begin(), fresh.end());
    ASSERT_EQ(shown, log.Lines());
  }
  EXPECT_EQ(log.Lines(), (std::vector<std::string>{"6", "7", "8", "9"}));
  EXPECT_EQ(observer.events.size(), 10u);
}

TEST(MessageLogTest, AReaderFollowsAWorkerThatAppendsAndClears) {
  MessageLog log;
  std::thread worker([&] {
    for (int i = 0; i < 2000; ++i) {
      if (i % 500 == 0) log.ClearLog();
      log.AppendLog(std::to_string(i));
    }
  });
  // Catching up as a list box does: whatever it holds is always a run of the log's lines.
  std::vector<std::string> shown, fresh;
  uint64_t generation = UINT64_MAX;
  for (int round = 0; round < 200; ++round) {
    if (log.LinesSince(shown.size(), generation, fresh)) shown.clear();
    shown.insert(shown.end(), fresh.begin(), fresh.end());
    for (size_t i = 1; i < shown.size(); ++i) {
      ASSERT_EQ(std::stoi(shown[i]), std::stoi(shown[i - 1]) + 1);
    }
  }
  worker.join();
  if (log.LinesSince(shown.size(), generation, fresh)) shown.clear();
  shown.insert(shown.end(), fresh.begin(), fresh.end());
  EXPECT_EQ(shown, log.Lines());
  EXPECT_EQ(shown.size(), 500u);
}

}  // namespace
}  // namespace tonvale
