#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace tonvale {

// The ordered list of UTF-8 lines into which every command and analysis stage reports.
// Lines are only ever appended or cleared all at once. A line may be empty and may hold
// line breaks of its own; it stays one entry.
class MessageLog {
 public:
  // A front end that shows the log (a list box, a terminal) follows it through this.
  // Observers are called synchronously, in the order the log changes.
  class Observer {
   public:
    virtual ~Observer() = default;
    virtual void OnLogCleared() = 0;
    virtual void OnLineAppended(std::string_view line) = 0;
  };

  MessageLog() = default;
  MessageLog(const MessageLog&) = delete;
  MessageLog& operator=(const MessageLog&) = delete;

  void ClearLog();
  void AppendLog(std::string_view line);

  const std::vector<std::string>& Lines() const { return lines_; }

  // The observer must outlive its registration.
  void AddObserver(Observer* observer);
  void RemoveObserver(Observer* observer);

 private:
  std::vector<std::string> lines_;
  std::vector<Observer*> observers_;
};

}  // namespace tonvale
