#include "app/message_log.h"

#include <gtest/gtest.h>

#include <string>
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

}  // namespace
}  // namespace tonvale
